#pragma once
// The receive buffer: raw bytes appended at the back and taken off the front.
// Taking from the front only moves a start index, and the consumed part is
// dropped when a later append would otherwise have to grow the storage, so
// a long stream of small messages costs time in proportion to its length.
// Once empty, it gives back room beyond 1 MiB.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace vyr {

class ByteBuffer {
 public:
  static constexpr std::size_t kKeptRoom = 1u << 20;

  ByteBuffer() = default;
  // Implicit, so that a buffer is set from bytes as a string would be.
  ByteBuffer(std::string_view bytes) : data_(bytes) {}    // NOLINT
  ByteBuffer(const std::string& bytes) : data_(bytes) {}  // NOLINT
  ByteBuffer(const char* bytes) : data_(bytes) {}         // NOLINT

  std::string_view View() const { return std::string_view(data_).substr(head_); }
  std::size_t size() const { return data_.size() - head_; }
  bool empty() const { return head_ == data_.size(); }
  // Room held, used or not.
  std::size_t Capacity() const { return data_.capacity(); }
  unsigned char operator[](std::size_t i) const {
    return static_cast<unsigned char>(data_[head_ + i]);
  }

  void Append(std::string_view bytes) {
    if (head_ > 0 && data_.size() + bytes.size() > data_.capacity()) {
      data_.erase(0, head_);
      head_ = 0;
    }
    data_.append(bytes);
  }

  // How many bytes from the front have been looked at without finding the
  // end of the message that starts there: a message that arrives in pieces
  // is scanned once, not again from its start for every piece.
  std::size_t ScannedUpTo() const { return scanned_; }
  void MarkScannedUpTo(std::size_t n) { scanned_ = n; }

  // Removes the first n bytes (all of them when n >= size) and returns them.
  std::string TakeFront(std::size_t n) {
    std::string front = data_.substr(head_, std::min(n, size()));
    Drop(n);
    return front;
  }

  // Removes the first n bytes (all of them when n >= size) without copying
  // them out: for bytes that are thrown away or already read in place.
  void Drop(std::size_t n) {
    head_ += std::min(n, size());
    scanned_ = 0;
    if (head_ == data_.size()) Clear();
  }

  // Room beyond kKeptRoom, taken by a burst, is given back.
  void Clear() {
    if (data_.capacity() > kKeptRoom) {
      std::string().swap(data_);
    } else {
      data_.clear();
    }
    head_ = 0;
    scanned_ = 0;
  }

  bool operator==(std::string_view bytes) const { return View() == bytes; }

 private:
  std::string data_;
  std::size_t head_ = 0;
  std::size_t scanned_ = 0;
};

}  // namespace vyr
