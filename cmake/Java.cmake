# The JNI headers and javac of one JDK. The JVM library itself is never linked:
# the connectors load it at run time from the path their configuration names.
set(MORVANE_JAVA_HOME "/usr/lib/jvm/java-17-openjdk-amd64" CACHE PATH
    "JDK whose JNI headers, javac and libjvm the build and the tests use")

find_path(MORVANE_JNI_INCLUDE jni.h PATHS "${MORVANE_JAVA_HOME}/include" NO_DEFAULT_PATH REQUIRED)
find_path(MORVANE_JNI_MD_INCLUDE jni_md.h PATHS "${MORVANE_JAVA_HOME}/include/linux" NO_DEFAULT_PATH REQUIRED)
find_program(MORVANE_JAVAC javac PATHS "${MORVANE_JAVA_HOME}/bin" NO_DEFAULT_PATH REQUIRED)
find_file(MORVANE_LIBJVM libjvm.so PATHS "${MORVANE_JAVA_HOME}/lib/server" NO_DEFAULT_PATH REQUIRED)

add_library(morvane_jni_headers INTERFACE)
target_include_directories(morvane_jni_headers SYSTEM INTERFACE
  "${MORVANE_JNI_INCLUDE}" "${MORVANE_JNI_MD_INCLUDE}")
