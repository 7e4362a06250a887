#include "mail/KvArrival.h"

#include "mail/KvNamedFiles.h"

bool TArrivalVerdict::Received(const std::string& Header) const
{
    return FArrived || IsReceivedMessage(Header);
}
