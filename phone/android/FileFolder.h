#pragma once
// The phone's folders straight from the file system (POSIX calls bionic exports; no Java): the
// entries of one folder for 870601/870602.
#include "phone/PhoneData.h"

#include <string>
#include <vector>

namespace zorvik::phone {

// The entries directly inside folder (an absolute path without a trailing '/', "/" for the root):
// folders first, then files, each group by name (bytewise). Sizes and times follow symbolic links
// (a link to a folder is a folder); a dangling link is a file of its own size. readable and
// writable are what this process may do (a folder is readable when it can be listed), hidden a
// name that begins with '.'. Paths are folder + "/" + name with every byte of the name that is not
// well-formed UTF-8 replaced by U+FFFD, so the text on the wire is always UTF-8.
//
// A folder that does not exist (or a path that cannot name one: relative, holding a NUL byte, a
// part longer than a name may be) is served empty, as the virtual phone serves an unknown folder.
// A folder the phone does not let this process read is refused as Storage; a listing that fails
// part-way is refused as Unknown, never served half. Paths longer than PATH_MAX are opened one
// part at a time.
Answer listFolder(const std::string& folder, std::vector<FileEntry>& out);

}  // namespace zorvik::phone
