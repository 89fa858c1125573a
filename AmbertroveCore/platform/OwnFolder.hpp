#pragma once

#include "platform/FileDescriptor.hpp"

#include <string>
#include <sys/types.h>
#include <system_error>

namespace ambertrove {

// What keeps a folder from being one that only its user controls.
enum class OwnFolderFault {
    link,         // a symbolic link stands at its name
    notFolder,    // something other than a folder stands there
    otherOwner,   // another user owns it
    openToOthers, // its group or everyone else may change it
};

// The refusal of a folder that is not the user's own. Its code is what callers that tell failures apart by
// errno expect: ENOTDIR for a link or something other than a folder, EACCES for a folder of another owner or
// one that others may change.
class OwnFolderError : public std::system_error {
public:
    explicit OwnFolderError(OwnFolderFault fault);
    [[nodiscard]] OwnFolderFault fault() const noexcept { return m_fault; }

private:
    OwnFolderFault m_fault;
};

// Opens the folder `name` in the open folder `parent` without following a link, making it first (mode 0700)
// when it is missing and `create` is set. It is accepted only when it is a folder that `uid` owns and that
// its group and everyone else cannot write, so that nobody else can swap or add what goes into it; the test
// is made on the open descriptor. Throws OwnFolderError, or std::system_error for any other failure (ENOENT
// for a missing folder without `create`).
FileDescriptor openOwnFolder(int parent, const std::string& name, uid_t uid, bool create);

} // namespace ambertrove
