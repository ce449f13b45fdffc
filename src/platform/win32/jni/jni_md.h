/* The machine-dependent JNI definitions for Windows x64, used with the JDK's own jni.h.
 * Windows is LLP64: long stays 32 bits wide, so jint is long and jlong needs __int64.
 * JNICALL names the calling convention the JVM uses on Windows; x64 compilers treat
 * __stdcall as their one native convention. */
#ifndef _JAVASOFT_JNI_MD_H_
#define _JAVASOFT_JNI_MD_H_

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef __int64 jlong;
typedef signed char jbyte;

#endif /* !_JAVASOFT_JNI_MD_H_ */
