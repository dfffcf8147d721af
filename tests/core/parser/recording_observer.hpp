#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "parser/document_observer.hpp"
#include "parser/known_keys.hpp"

namespace velmora::testing {

// Writes down every call of the reader as one line of text, its line
// number moved on by `lines_before` (for a part of a statement).
class RecordingObserver : public DocumentObserver {
public:
  void header_attribute(std::uint64_t lineno, std::string_view key,
                        std::string_view value) override {
    note("header", lineno, key, value);
  }
  void section_attribute(SectionType type, std::uint64_t lineno, std::string_view key,
                         std::string_view value) override {
    note(type == SectionType::Document ? "document" : "account", lineno, key, value);
  }
  void section_closed(SectionType type, std::uint64_t lineno) override {
    note(type == SectionType::Document ? "close document" : "close account", lineno, "", "");
  }
  void document_opened(std::uint64_t lineno, std::string_view doc_type) override {
    note("open document", lineno, doc_type, "");
  }
  void document_attribute(std::uint64_t lineno, std::uint8_t field, std::string_view key,
                          std::string_view value) override {
    EXPECT_EQ(field, kKnownKeys.find(key).document_field) << key;
    note("document", lineno, key, value);
  }
  void keep_views_of(std::string_view) override { ++stretches; }

  std::vector<std::string> calls;
  int stretches = 0; // calls of keep_views_of
  std::uint64_t lines_before = 0;

private:
  void note(std::string_view what, std::uint64_t lineno, std::string_view a, std::string_view b) {
    calls.push_back(std::string(what) + " " + std::to_string(lines_before + lineno) + " " +
                    std::string(a) + "=" + std::string(b));
  }
};

} // namespace velmora::testing
