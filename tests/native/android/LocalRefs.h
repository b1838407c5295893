#pragma once
// Counts the local references a thread holds, through the JVM's own JNI function table (JVMTI
// SetJNIFunctionTable): HotSpot grows its local reference table without limit, ART does not, so the
// harness measures what a walk would need of ART's. The JDK's own native methods go through the
// table too and their references are released without a call the count sees (class loading, the
// first time a class is used): measure a request that ran once before.
namespace zorvik::test {

// Installs the counting table (once).
void countLocalReferences();
// Starts a measurement on the calling thread; the most it held at once since then.
void resetLocalHighWater();
int localHighWater();

}  // namespace zorvik::test
