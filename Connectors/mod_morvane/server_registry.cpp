#include "server_registry.h"

#include <new>
#include <strings.h>
#include <unistd.h>

#include "connector_messages.h"
#include "error_text.h"
#include "java_contract.h"
#include "java_text.h"
#include "jni_scope.h"
#include "parameters.h"

using jni_scope::LocalRef;

std::atomic<ServerEntry *> serverList{nullptr};

namespace {

std::mutex insertLock;

ServerEntry *find_entry(const server_rec *server) {
  for (ServerEntry *e = serverList.load(std::memory_order_acquire); e; e = e->next)
    if (e->server == server) return e;
  return nullptr;
}

bool visible_to(const Param *p, const server_rec *server) {
  return p->server == nullptr || p->server == server;
}

bool is_config_xml(const Param *p) {
  return strcasecmp(p->name, "MorvaneConfigXML") == 0;
}

// The constructor's two arrays: the server's own parameters first, then the
// global ones, each group in configuration order.
struct ParameterArrays {
  jobjectArray names;
  jobjectArray values;
  const char *configXml;  // the server's last own MorvaneConfigXML, else the first global one
};

bool store_pair(JNIEnv *env, ParameterArrays *arrays, jsize index, const Param *p) {
  LocalRef<jstring> name(env, new_java_string(env, p->name));
  LocalRef<jstring> value(env, new_java_string(env, p->value));
  if (!name || !value) return false;
  env->SetObjectArrayElement(arrays->names, index, name.get());
  env->SetObjectArrayElement(arrays->values, index, value.get());
  return true;
}

bool fill_parameters(JNIEnv *env, server_rec *server, ParameterArrays *arrays) {
  jsize count = 0;
  for (const Param *p = params; p; p = p->next) count += visible_to(p, server);

  LocalRef<jclass> stringClass(env, env->FindClass(java_contract::stringClass));
  if (!stringClass) return false;
  arrays->names = env->NewObjectArray(count, stringClass.get(), nullptr);
  arrays->values = env->NewObjectArray(count, stringClass.get(), nullptr);
  if (!arrays->names || !arrays->values) return false;

  jsize index = 0;
  for (const Param *p = params; p && server; p = p->next) {
    if (p->server != server) continue;
    if (is_config_xml(p)) arrays->configXml = p->value;
    if (!store_pair(env, arrays, index++, p)) return false;
  }
  for (const Param *p = params; p; p = p->next) {
    if (p->server) continue;
    if (is_config_xml(p) && !arrays->configXml) arrays->configXml = p->value;
    if (!store_pair(env, arrays, index++, p)) return false;
  }
  return true;
}

constexpr char instantiateFailed[] = "Internal error: Could not instantiate morvaneConnector.MorvaneHttpConnector";

// Creates the server's connector into the entry, or its error text. Every
// failure path leaves no Java exception pending.
void create_connector(JNIEnv *env, ServerEntry *entry) {
  char **slot = &entry->error;
  LocalRef<jclass> connectorClass(env, env->FindClass(java_contract::connectorClass));
  if (!connectorClass) return set_error(slot, env, connectorClassMissing, classpath ? classpath : "");
  jmethodID constructor =
      env->GetMethodID(connectorClass.get(), java_contract::constructor.name, java_contract::constructor.signature);
  if (!constructor)
    return set_error(slot, env, ctorNotFound);
  jmethodID init = env->GetMethodID(connectorClass.get(), java_contract::init.name, java_contract::init.signature);
  if (!init)
    return set_error(slot, env, initNotFound);

  ParameterArrays arrays{nullptr, nullptr, nullptr};
  bool filled = fill_parameters(env, entry->server, &arrays);
  LocalRef<jobjectArray> names(env, arrays.names), values(env, arrays.values);
  if (!filled) return set_error(slot, env, instantiateFailed);
  if (!arrays.configXml)
    return set_error(slot, env, "MorvaneConfigXML has not been specified in the configuration file");
  if (access(arrays.configXml, R_OK) != 0)
    return set_error(slot, env, "Cannot read MorvaneConfigXML file \"%s\"", arrays.configXml);

  LocalRef<jobject> object(env, env->NewObject(connectorClass.get(), constructor, names.get(), values.get()));
  if (!object) return set_error(slot, env, instantiateFailed);
  jobject connector = env->NewGlobalRef(object.get());
  if (!connector) return set_error(slot, env, instantiateFailed);
  entry->connector = connector;

  // The connector counts as created whatever init does; an exception it throws
  // must not stay pending into the calls that follow.
  env->CallVoidMethod(connector, init);
  if (env->ExceptionCheck()) env->ExceptionClear();
}

}  // namespace

ServerEntry *getServer(server_rec *server) {
  if (ServerEntry *found = find_entry(server)) return found;
  std::lock_guard<std::mutex> lock(insertLock);
  if (ServerEntry *found = find_entry(server)) return found;
  ServerEntry *entry = new (std::nothrow) ServerEntry();
  if (!entry) return nullptr;
  entry->server = server;
  entry->next = serverList.load(std::memory_order_relaxed);
  serverList.store(entry, std::memory_order_release);
  return entry;
}

jobject getConnector(JNIEnv *env, server_rec *server) {
  ServerEntry *entry = getServer(server);
  if (!entry) return nullptr;
  if (!entry->settled.load(std::memory_order_acquire)) {
    std::lock_guard<std::mutex> lock(entry->creating);
    if (!entry->settled.load(std::memory_order_relaxed)) {
      create_connector(env, entry);
      entry->settled.store(true, std::memory_order_release);
    }
  }
  return entry->connector;
}

const char *server_error(const ServerEntry *entry) {
  return entry->settled.load(std::memory_order_acquire) ? entry->error : nullptr;
}
