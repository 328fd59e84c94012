// The texts that report a missing or broken Java connector class. The JVM
// bootstrap and the Apache module's per-server creation report the same
// failures, so they share the words, which administrators see byte for byte.
#pragma once

// "%s" stands for the class path.
#define MORVANE_CLASS_MISSING(dottedClass, jarName)                          \
  "Could not find class \"" dottedClass "\" in classpath\r\n     \"%s\"\r\n" \
  "Make sure to include path to " jarName " JAR file."
#define MORVANE_FRAMEWORK_CLASS_MISSING MORVANE_CLASS_MISSING("morvaneFramework.MorvaneFramework", "morvaneFramework")
#define MORVANE_CONNECTOR_CLASS_MISSING MORVANE_CLASS_MISSING("morvaneConnector.MorvaneHttpConnector", "morvaneConnector")

#define MORVANE_CONNECTOR_INTERNAL_ERROR(what) "Internal error in class morvaneConnector.MorvaneHttpConnector (" what ")"

constexpr char connectorClassMissing[] = MORVANE_CONNECTOR_CLASS_MISSING;
constexpr char ctorNotFound[] = MORVANE_CONNECTOR_INTERNAL_ERROR("ctor not found");
// A missing process has never had a message of its own; it reports this one,
// which administrators and their scripts already know.
constexpr char initNotFound[] = MORVANE_CONNECTOR_INTERNAL_ERROR("\"init\" not found");
constexpr char terminateNotFound[] = MORVANE_CONNECTOR_INTERNAL_ERROR("\"terminate\" not found");
constexpr char setLogfileNotFound[] = MORVANE_CONNECTOR_INTERNAL_ERROR("\"setLogfile\" not found");
