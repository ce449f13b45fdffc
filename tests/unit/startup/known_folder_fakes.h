// Scripted stand-ins for the shell, COM, environment, debugger and dialog calls that the
// known-folder start-up code makes, recording what it did with them.
#pragma once

#include <algorithm>
#include <cstdio>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "startup/known_folders.h"

namespace trellane::fakes {

struct Lookup {
    KnownFolderId folder;
    uint32_t flags;
};

struct ScriptedResult {
    uint32_t result;
    const WideChar* path;  // handed out for the caller to free; null leaves the path null
};

inline const WideChar kDefaultPath[] = u"C:\\Users\\someone\\AppData";

struct KnownFolderRecord {
    std::deque<ScriptedResult> script;  // one per lookup; S_OK and kDefaultPath when empty
    std::vector<Lookup> lookups;
    std::vector<std::pair<WideString, WideString>> variablesSet;
    std::vector<WideString> wideDebugLines;
    std::vector<std::string> narrowDebugLines;
    std::vector<std::pair<std::string, std::string>> boxes;  // caption, text
    int pathsHandedOut = 0;
    int pathsFreed = 0;
    int nullFrees = 0;
};

inline KnownFolderRecord record;

// The ASCII text of a wide string, for messages and comparisons.
inline std::string narrow(const WideString& text) {
    return std::string(text.begin(), text.end());
}

inline uint32_t fakeGetKnownFolderPath(const KnownFolderId& folder, uint32_t flags,
                                       WideChar** path) {
    record.lookups.push_back({folder, flags});
    ScriptedResult next{kLookupOk, kDefaultPath};
    if (!record.script.empty()) {
        next = record.script.front();
        record.script.pop_front();
    }
    if (next.path != nullptr) {
        const WideString copy = next.path;
        *path = new WideChar[copy.size() + 1];
        std::copy(copy.c_str(), copy.c_str() + copy.size() + 1, *path);
        ++record.pathsHandedOut;
    }
    return next.result;
}

inline void fakeFreePath(WideChar* path) {
    if (path == nullptr) {
        ++record.nullFrees;
        return;
    }
    delete[] path;
    ++record.pathsFreed;
}

inline void fakeSetWideEnv(const WideChar* name, const WideChar* value) {
    record.variablesSet.emplace_back(name, value);
}

inline void fakeOutputDebugWide(const WideChar* text) {
    record.wideDebugLines.push_back(text);
}

inline void fakeOutputDebugNarrow(const char* text) {
    record.narrowDebugLines.push_back(text);
}

inline void fakeShowErrorBox(const char* caption, const char* text) {
    record.boxes.emplace_back(caption, text);
}

// Primitives bound to `record`, writing standard error to errorStream.
inline KnownFolderPrimitives fakeKnownFolderPrimitives(std::FILE* errorStream) {
    return {fakeGetKnownFolderPath, fakeFreePath,     fakeSetWideEnv, fakeOutputDebugWide,
            fakeOutputDebugNarrow,  fakeShowErrorBox, errorStream};
}

// Everything written to a temporary stream so far.
inline std::string contentsOf(std::FILE* stream) {
    std::fflush(stream);
    std::string text(static_cast<size_t>(std::ftell(stream)), '\0');
    std::rewind(stream);
    text.resize(std::fread(text.data(), 1, text.size(), stream));
    std::fseek(stream, 0, SEEK_END);
    return text;
}

// Each test starts as a fresh process: nothing recorded, nothing reported yet, and an empty
// standard error.
class KnownFolderTest : public ::testing::Test {
  protected:
    void SetUp() override { startProcess(); }
    void TearDown() override { std::fclose(errorStream); }

    // Also for table tests, once per case.
    void startProcess() {
        record = KnownFolderRecord{};
        knownFolderErrorShown = false;
        if (errorStream != nullptr) std::fclose(errorStream);
        errorStream = std::tmpfile();
        ASSERT_NE(errorStream, nullptr);
    }

    std::FILE* errorStream = nullptr;
};

}  // namespace trellane::fakes
