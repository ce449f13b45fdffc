// Jars written by libzip, a zip writer that is not ours, into the test's temporary folder.
#pragma once

#include <gtest/gtest.h>
#include <zip.h>

#include <string>
#include <vector>

namespace trellane {

struct JarEntrySpec {
    std::string name;
    std::string bytes;
    bool deflated;
};

inline std::string writeJar(const std::string& name, const std::vector<JarEntrySpec>& entries,
                            const std::string& comment = "") {
    std::string path = ::testing::TempDir() + name;
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    EXPECT_NE(archive, nullptr);
    for (const JarEntrySpec& entry : entries) {
        zip_source_t* source =
            zip_source_buffer(archive, entry.bytes.data(), entry.bytes.size(), 0);
        zip_int64_t index = zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8);
        EXPECT_GE(index, 0);
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                 entry.deflated ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 9);
    }
    if (!comment.empty())
        zip_set_archive_comment(archive, comment.data(), static_cast<zip_uint16_t>(comment.size()));
    EXPECT_EQ(zip_close(archive), 0);
    return path;
}

}  // namespace trellane
