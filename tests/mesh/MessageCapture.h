// Collects the messages the library shows while it lives, and keeps the 3D mesh reader's open
// retries short; both settings go back to their defaults at the end.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include <ktpm/mesh/KM3RReader.h>
#include <ktpm/platform/Resources.h>

namespace ktpm::test {

class MessageCapture {
 public:
  MessageCapture() {
    KM3RReader::SetRetryDelay(std::chrono::milliseconds(1));
    SetMessageBoxHandler([this](const std::string& text, const std::string& caption) {
      messages.push_back(caption + ": " + text);
    });
  }
  ~MessageCapture() {
    SetMessageBoxHandler(nullptr);
    KM3RReader::SetRetryDelay(std::chrono::milliseconds(500));
  }
  MessageCapture(const MessageCapture&) = delete;
  MessageCapture& operator=(const MessageCapture&) = delete;

  // "caption: text" of each message, in order.
  std::vector<std::string> messages;
};

}  // namespace ktpm::test
