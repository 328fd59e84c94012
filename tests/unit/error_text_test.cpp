// Error texts written without a JVM: the formatting buffer, replacement of an
// earlier text and ready texts. The Java stack trace is covered in tests/jvm.
#include <string>

#include <gtest/gtest.h>

#include "error_text.h"

namespace {

class ErrorText : public ::testing::Test {
 protected:
  void TearDown() override {
    clear_error(&slot);
    clear_error(&isapiError);
  }
  char *slot = nullptr;
};

TEST_F(ErrorText, FormatsTheMessageAlone) {
  set_error(&slot, nullptr, "Could not load JVM \"%s\"", "/opt/jvm.so");
  EXPECT_STREQ(slot, "Could not load JVM \"/opt/jvm.so\"");
}

TEST_F(ErrorText, SecondWriteReplacesTheFirst) {
  set_error(&slot, nullptr, "first %d", 1);
  set_error(&slot, nullptr, "second");
  EXPECT_STREQ(slot, "second");
}

TEST_F(ErrorText, CutsAFormattedMessageAt1999Bytes) {
  std::string path(5000, 'p');
  set_error(&slot, nullptr, "Cannot write LogFile \"%s\"", path.c_str());
  std::string expected = ("Cannot write LogFile \"" + path).substr(0, errorBufferSize - 1);
  EXPECT_EQ(std::string(slot), expected);
}

TEST_F(ErrorText, ReadyTextIsStoredUnchangedAndUncut) {
  std::string text = "100%s sure %d %n " + std::string(3000, 'x');
  set_error_text(&slot, nullptr, text.c_str());
  EXPECT_EQ(std::string(slot), text);
}

TEST_F(ErrorText, ReadyTextMayBeTheSlotsOwnText) {
  set_error(&slot, nullptr, "kept");
  set_error_text(&slot, nullptr, slot);
  EXPECT_STREQ(slot, "kept");
}

TEST_F(ErrorText, IsapiWritersUseTheExtensionsSlot) {
  set_isapi_error("Initialization file \"%s\" not found", "C:\\x.ini");
  EXPECT_STREQ(isapiError, "Initialization file \"C:\\x.ini\" not found");
  set_isapi_error_text("raw %s text");
  EXPECT_STREQ(isapiError, "raw %s text");
}

TEST_F(ErrorText, ClearingLeavesTheSlotNull) {
  set_error(&slot, nullptr, "gone");
  clear_error(&slot);
  EXPECT_EQ(slot, nullptr);
}

}  // namespace
