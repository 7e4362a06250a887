#include "mail/KvReaderLog.h"

#include <windows.h>

#include <algorithm>

#include "foundation/KvFiles.h"
#include "mail/KvMailNames.h"

std::string MessageLabel(const TFileMailObj& Reader, const std::string& DataFile)
{
    const std::string name = Reader.MailboxName.empty() ? ExtractFileNamePart(DataFile) : Reader.MailboxName;
    return name + ", message " + std::to_string(std::max(Reader.GetMessageNumber(), 1)) + " at offset " +
           std::to_string(std::max<std::int64_t>(Reader.MessagePos, 0));
}

std::string TTextLogMessage::LogDateText()
{
    return GetMessageDateText(FText, false);
}

std::string TTextLogMessage::LogSubject()
{
    std::string subject;
    GetMessageSubject(FText, false, static_cast<int>(GetACP()), subject);
    return subject;
}
