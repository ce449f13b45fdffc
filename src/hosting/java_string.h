#pragma once

#include <jni.h>

#include <string>

namespace trellane {

// The launcher's text is UTF-8; NewStringUTF reads the JVM's modified UTF-8, which spells a
// character beyond U+FFFF as two three-byte surrogates and knows no four-byte sequence. This
// rewrites the one into the other. What is not well-formed UTF-8 becomes U+FFFD, as Java's own
// decoder makes it, so the JVM never reads malformed input.
std::string toModifiedUtf8(const char* utf8);

// A Java string holding the characters of UTF-8 text.
jstring newJavaString(JNIEnv* env, const char* utf8);

}  // namespace trellane
