// A shared object that loads fine but holds no JNI_CreateJavaVM.
extern "C" __attribute__((visibility("default"))) int morvane_not_a_jvm() {
  return 0;
}
