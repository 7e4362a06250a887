#pragma once
// Whether the error log can take a run's rows where it is: a file that can
// be written, in a folder that takes new files, and none of the mail the
// run reads or writes.

#include <functional>
#include <string>

class TConvertSettings;

// A path the run works out from another: the mailbox data file of a source
// entry, the mbox target of a mailbox data file.
using TRunPathOf = std::function<std::string(const std::string&)>;
// Whether the run reads the file at a path, or a file of that identity.
using TIsRead = std::function<bool(const std::string&)>;

// Why LogFile cannot take the rows of the run Settings describes; empty
// when it can. A file made only to learn it is deleted again.
std::string ErrorLogProblem(const std::string& LogFile, TConvertSettings& Settings, const TRunPathOf& DataFileOf,
                            const TRunPathOf& MboxTargetOf, const TIsRead& IsRead);
