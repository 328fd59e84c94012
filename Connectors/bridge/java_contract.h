// The Java side's classes, methods and signatures that every connector relies on,
// and the layout of the exchange array that carries one request into `process` and
// its answer out. Every JNI lookup and call in the connectors takes its names from
// here, so a change to the Java contract is a change to this file alone.
#pragma once

namespace java_contract {

// Class names in JNI form (for FindClass) and dotted form (for messages).
constexpr char frameworkClass[] = "morvaneFramework/MorvaneFramework";
constexpr char frameworkClassDotted[] = "morvaneFramework.MorvaneFramework";
constexpr char connectorClass[] = "morvaneConnector/MorvaneHttpConnector";
constexpr char connectorClassDotted[] = "morvaneConnector.MorvaneHttpConnector";

struct Method {
  const char *name;
  const char *signature;
};

// Required: the connector cannot be used without these.
constexpr Method constructor{"<init>", "([Ljava/lang/String;[Ljava/lang/String;)V"};
constexpr Method init{"init", "()V"};
constexpr Method process{"process", "([Ljava/lang/Object;Ljava/lang/String;Ljava/lang/String;)V"};
constexpr Method terminate{"terminate", "()V"};
constexpr Method setLogfile{"setLogfile", "(Ljava/lang/String;)Ljava/lang/String;"};  // static

// Optional: a missing one leaves its method ID null and is never called.
constexpr Method onUploadInit{"onUploadInit", "(Ljava/lang/String;Ljava/lang/String;I)Ljava/lang/Object;"};
constexpr Method onUpload{"onUpload", "(Ljava/lang/Object;[B)Z"};
constexpr Method onUploadEnd{"onUploadEnd", "(Ljava/lang/Object;)[B"};

// Other classes the connectors use.
constexpr char objectClass[] = "java/lang/Object";
constexpr char stringClass[] = "java/lang/String";

// The exchange array: a java.lang.Object[exchangeSlots].
//   before process: body-or-query String / incoming session id String / null
//   after process:  response byte[] (null: not found) / outgoing session id String
//                   (null: no cookie) / content type String (null: "text/plain")
enum ExchangeSlot : int {
  slotBody = 0,
  slotSession = 1,
  slotContentType = 2,
};
constexpr int exchangeSlots = 3;

}  // namespace java_contract
