#include "mail/KvReaderLog.h"

#include <windows.h>

#include <algorithm>

#include "foundation/KvFiles.h"
#include "mail/KvMailNames.h"

TLogText MessageLabel(const TFileMailObj& Reader, const TLogText& DataFile)
{
    TLogText Name(Reader.MailboxName);
    if (Name.Ansi.empty()) {
        Name.Ansi = ExtractFileNamePart(DataFile.Ansi);
        Name.Wide = DataFile.Wide.substr(DataFile.Wide.find_last_of(L'\\') + 1);
    }
    return Name + (", message " + std::to_string(std::max(Reader.GetMessageNumber(), 1)) + " at offset " +
                   std::to_string(std::max<std::int64_t>(Reader.MessagePos, 0)));
}

std::string TTextLogMessage::LogDateText()
{
    return GetMessageDateText(FText, false);
}

std::string TTextLogMessage::LogSubject()
{
    std::string Subject;
    GetMessageSubject(FText, false, static_cast<int>(GetACP()), Subject);
    return Subject;
}
