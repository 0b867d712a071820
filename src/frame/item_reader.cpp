#include "frame/item_reader.h"

#include <cmath>
#include <limits>

#include "frame/session.h"

namespace frame {
namespace {

constexpr char kCtrlZ = 26;

// Bytes that never start an item: blanks are skipped in front of it, tabs and LFs are dropped
// wherever they stand outside quotes.
bool IsFiller(char c) { return c == ' ' || c == '\t' || c == '\n'; }

}  // namespace

bool ItemReader::AtEnd() const {
  std::size_t i = pos_;
  while (i < bytes_.size() && IsFiller(bytes_[i])) ++i;
  return i >= bytes_.size() || bytes_[i] == kCtrlZ;
}

void ItemReader::SkipFiller() {
  while (pos_ < bytes_.size() && IsFiller(bytes_[pos_])) ++pos_;
}

void ItemReader::SkipSeparator() {
  if (pos_ >= bytes_.size()) return;
  if (bytes_[pos_] == ',') {
    ++pos_;
  } else if (bytes_[pos_] == '\r') {
    ++pos_;
    ++line_;
    if (pos_ < bytes_.size() && bytes_[pos_] == '\n') ++pos_;
  }
}

std::string ItemReader::ReadItem() {
  SkipFiller();
  itemLine_ = line_;
  if (pos_ >= bytes_.size() || bytes_[pos_] == kCtrlZ) {
    // Nothing after a Ctrl+Z is ever read.
    pos_ = bytes_.size();
    overran_ = true;
    return {};
  }
  std::string item;
  if (bytes_[pos_] == '"') {
    ++pos_;
    const std::size_t close = bytes_.find('"', pos_);
    const std::size_t end = close == std::string_view::npos ? bytes_.size() : close;
    item.assign(bytes_.substr(pos_, end - pos_));
    for (char c : item) line_ += c == '\r';
    pos_ = end == bytes_.size() ? end : end + 1;
    // Whatever stands between the closing quote and the separator belongs to no item.
    while (pos_ < bytes_.size() && bytes_[pos_] != ',' && bytes_[pos_] != '\r') ++pos_;
  } else {
    while (pos_ < bytes_.size() && bytes_[pos_] != ',' && bytes_[pos_] != '\r') {
      const char c = bytes_[pos_++];
      if (c != '\t' && c != '\n') item.push_back(c);
    }
  }
  SkipSeparator();
  return item;
}

std::optional<std::int16_t> ItemReader::ReadNumber() {
  const double value = std::nearbyint(LeadingNumber(ReadItem()));
  if (value < std::numeric_limits<std::int16_t>::min() ||
      value > std::numeric_limits<std::int16_t>::max())
    return std::nullopt;
  return static_cast<std::int16_t>(value);
}

void ItemReader::SkipCommentLines() {
  while (pos_ < bytes_.size()) {
    std::size_t i = pos_;
    while (i < bytes_.size() && bytes_[i] == ' ') ++i;
    if (i >= bytes_.size() || bytes_[i] != '\'') return;
    const std::size_t cr = bytes_.find('\r', i);
    if (cr == std::string_view::npos) {
      pos_ = bytes_.size();
      return;
    }
    pos_ = cr + 1;
    ++line_;
    if (pos_ < bytes_.size() && bytes_[pos_] == '\n') ++pos_;
  }
}

}  // namespace frame
