// An Authenticode signature lives in the certificate table, after the section data. Any edit
// of the image makes it invalid, so an edit removes it first and the file is signed again at
// the end, if at all.
#pragma once

#include <string>

namespace trellane {

// Removes the certificate table when the file has one: its bytes leave the file (with the
// signer's alignment padding before it, when only zeros lie between the sections and the
// table) and its directory entry is cleared; removed says whether there was one. False with a
// problem when the table is not where a signature can be. The checksum is left stale.
bool removeSignature(std::string& file, bool& removed, std::string& problem);

}  // namespace trellane
