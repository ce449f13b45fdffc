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

// The signature the certificate table holds: the DER bytes of its first PKCS #7 SignedData
// entry (a WIN_CERTIFICATE of revision 2.0 and type 2), with the entry's 8-byte header left
// out. found says whether the file has a certificate table at all. False with a problem when
// the file is not a PE32+ image or its table is damaged or holds no such entry.
bool readSignatureBlob(const std::string& file, std::string& blob, bool& found,
                       std::string& problem);

}  // namespace trellane
