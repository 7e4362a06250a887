// No test of this program reaches the network: every download starts with a
// transport that answers as a system without a network does, unless its
// test puts another one in.
#include <gtest/gtest.h>

#include "classlib/Threads.h"
#include "tests/app/FakeTransport.h"

namespace {

const bool NetworkOff = (SetDefaultUrlTransport(OfflineTransport()), true);

TEST(NetworkOff, NewDownloadsAnswerAsOffline)
{
    ASSERT_TRUE(NetworkOff);
    TUrlDownload D(nullptr);
    D.SourceUrl = "http://www.corvane.example/updates/Tessaly_en.ini";
    ASSERT_TRUE(D.StartDownload());
    for (int I = 0; I < 500 && D.Busy(); ++I)
        CheckSynchronize(20);
    EXPECT_FALSE(D.Busy());
    EXPECT_EQ(D.Hr(), OfflineResult);
}

} // namespace
