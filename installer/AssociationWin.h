#pragma once
// The .apk association in the registry (Win32 side of installer/Association.h), for Quillet's
// settings dialog and for the setup program.
#include <string>

namespace zorvik {

// Reads HKEY_CLASSES_ROOT (the machine's classes merged with the user's).
bool isAssociated(const std::string& programPath);
// Writes the five entries. Without rights on the machine's classes the class entries go to the
// user's own classes (HKCU\Software\Classes), which take precedence for that user. False when an
// entry could not be written anywhere.
bool writeAssociation(const std::string& programPath);
// Tells the shell that file associations changed (flushed).
void notifyAssociationChanged();

}  // namespace zorvik
