// The framed list and tree views read the frame names of older stored
// forms: "FrameFlat" and "FrameFocusStyle" mapped, "FrameFlatStyle" dropped.
#include "testkit/StoredProps.h"
#include "tests/shell/ViewsTestSupport.h"

using namespace views_test;

TEST_F(TViewsForm, OlderFrameNamesAreReadIntoTheViews)
{
    const std::string Stream = HandWritten("TRzCustomListView", [](TWriter& W) {
        W.WriteStr("FrameFlat");
        W.WriteBoolean(true);
        W.WriteStr("FrameFocusStyle");
        W.WriteIdent("fsRaised");
        W.WriteStr("FrameFlatStyle");
        W.WriteIdent("fsFlat");
    });
    TListView L(&Form);
    TTreeView T(&Form);
    for (auto [Name, View] : {std::pair<const char*, TControl*>{"list", &L}, {"tree", &T}}) {
        SCOPED_TRACE(Name);
        ReadForm(Stream, View);
        TPropOrd HotTrack = 0, Style = 0, HotStyle = 0;
        ASSERT_TRUE(GetOrdProp(View, "FrameHotTrack", HotTrack) && GetOrdProp(View, "FrameStyle", Style) &&
                    GetOrdProp(View, "FrameHotStyle", HotStyle));
        EXPECT_EQ(HotTrack, 1);
        EXPECT_EQ(Style, fsStatus);
        EXPECT_EQ(HotStyle, fsRaised);
    }
}
