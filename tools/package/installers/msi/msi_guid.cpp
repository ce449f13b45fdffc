#include "package/installers/msi/msi_guid.h"

#include <openssl/evp.h>

#include <cctype>
#include <cstdio>
#include <vector>

namespace trellane {

namespace {

bool guidBytes(const std::string& text, std::vector<unsigned char>& bytes) {
    std::string hex;
    std::string body = text;
    if (body.size() == 38 && body.front() == '{' && body.back() == '}')
        body = body.substr(1, 36);
    if (body.size() != 36) return false;
    for (size_t i = 0; i < body.size(); ++i) {
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash != (body[i] == '-')) return false;
        if (!dash) {
            if (!std::isxdigit(static_cast<unsigned char>(body[i]))) return false;
            hex += body[i];
        }
    }
    bytes.clear();
    for (size_t i = 0; i < hex.size(); i += 2)
        bytes.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return true;
}

std::string written(const unsigned char* b) {
    char text[39];
    std::snprintf(text, sizeof text,
                  "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[0],
                  b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return text;
}

}  // namespace

bool normalGuid(const std::string& text, std::string& guid) {
    std::vector<unsigned char> bytes;
    if (!guidBytes(text, bytes)) return false;
    guid = written(bytes.data());
    return true;
}

std::string nameBasedGuid(const std::string& namespaceGuid, const std::string& name) {
    std::vector<unsigned char> data;
    guidBytes(namespaceGuid, data);
    data.insert(data.end(), name.begin(), name.end());
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(data.data(), data.size(), digest, &length, EVP_sha1(), nullptr);
    digest[6] = static_cast<unsigned char>((digest[6] & 0x0F) | 0x50);
    digest[8] = static_cast<unsigned char>((digest[8] & 0x3F) | 0x80);
    return written(digest);
}

}  // namespace trellane
