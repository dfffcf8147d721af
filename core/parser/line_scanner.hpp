#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "text/line_masks.hpp"

namespace velmora {

// Cuts text into physical lines exactly as LineCursor does (at each line
// feed, dropping the feed and one carriage return before it; text after
// the last feed is a line only if it is not empty), and tells with each
// line where its first "=" is. Both come from one pass of a vector kernel
// that marks the feeds and equals signs of a stretch of blocks at a time,
// so a line costs a few bit operations instead of two searches.
class LineScanner {
public:
  static constexpr std::size_t npos = std::string_view::npos;

  struct Line {
    std::string_view text;
    std::size_t eq; // offset of the first "=" in text, or npos
  };

  explicit LineScanner(std::string_view text, text::LineMaskKernel kernel = text::line_masks())
      : text_(text), kernel_(kernel) {}

  bool next(Line &line) {
    if (start_ >= text_.size()) return false;
    std::size_t eq = npos;
    std::size_t at = start_;
    std::size_t end;
    while (true) {
      if (at >= masked_end_) {
        if (at >= text_.size()) {
          end = text_.size();
          break;
        }
        index_from(at);
      }
      const std::size_t block = (at - masked_from_) / text::kMaskBlock;
      const std::uint64_t from_here = ~std::uint64_t{0} << (at % text::kMaskBlock);
      const std::uint64_t feeds = feeds_[block] & from_here;
      if (eq == npos) {
        std::uint64_t equals = equals_[block] & from_here;
        if (feeds != 0) equals &= (feeds & (~feeds + 1)) - 1; // those before the feed
        if (equals != 0) eq = block_offset(block) + std::countr_zero(equals) - start_;
      }
      if (feeds != 0) {
        end = block_offset(block) + std::countr_zero(feeds);
        break;
      }
      at = block_offset(block + 1);
    }
    std::string_view text = text_.substr(start_, end - start_);
    if (end < text_.size()) {
      start_ = end + 1;
      if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    } else {
      start_ = end;
    }
    line = Line{text, eq};
    return true;
  }

private:
  // Blocks indexed per call of the kernel: 4 KiB of text.
  static constexpr std::size_t kBlocks = 64;

  std::size_t block_offset(std::size_t block) const {
    return masked_from_ + block * text::kMaskBlock;
  }

  // Indexes the blocks from the one holding `at`; a last partial block is
  // indexed from a copy padded with zero bytes, which mark nothing.
  void index_from(std::size_t at) {
    masked_from_ = at - at % text::kMaskBlock;
    const std::size_t rest = text_.size() - masked_from_;
    std::size_t whole = rest / text::kMaskBlock;
    if (whole > kBlocks) whole = kBlocks;
    kernel_(text_.data() + masked_from_, whole, feeds_.data(), equals_.data());
    masked_end_ = masked_from_ + whole * text::kMaskBlock;
    if (whole < kBlocks && masked_end_ < text_.size()) {
      char tail[text::kMaskBlock] = {};
      std::memcpy(tail, text_.data() + masked_end_, text_.size() - masked_end_);
      kernel_(tail, 1, feeds_.data() + whole, equals_.data() + whole);
      masked_end_ += text::kMaskBlock;
    }
  }

  std::string_view text_;
  text::LineMaskKernel kernel_;
  std::size_t start_ = 0;       // where the next line begins
  std::size_t masked_from_ = 0; // the text offset of feeds_[0] and equals_[0]
  std::size_t masked_end_ = 0;  // the end of what the masks cover (may pass the text's end)
  std::array<std::uint64_t, kBlocks> feeds_{};
  std::array<std::uint64_t, kBlocks> equals_{};
};

} // namespace velmora
