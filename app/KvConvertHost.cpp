#include "app/KvConvertHost.h"

void TPlainConvertHost::AddLogLine(const std::string& Text)
{
    Log.push_back(Text);
    if (LogSink)
        LogSink(Text);
}

void TPlainConvertHost::ProcessMessages()
{
    ++Pumps;
    if (OnPump)
        OnPump();
}

void TPlainConvertHost::SetNextButton(const std::string& Caption, int Tag)
{
    NextCaption = Caption;
    NextTag = Tag;
}

bool TPlainConvertHost::ConfirmAbort(const std::string& Question)
{
    Questions.push_back(Question);
    return ConfirmAnswer;
}
