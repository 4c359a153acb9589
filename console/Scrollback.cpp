#include "console/Scrollback.h"

std::string TrimmedRow(const std::string& row) {
    const std::size_t end = row.find_last_not_of(" \0", std::string::npos, 2);
    return end == std::string::npos ? std::string() : row.substr(0, end + 1);
}

std::size_t Scrollback::Append(const std::vector<std::string>& rows) {
    std::size_t dropped = 0;
    for (const std::string& row : rows) {
        if (rows_.size() == limit_) {
            rows_.pop_front();
            ++dropped;
        }
        rows_.push_back(TrimmedRow(row));
        rows_.back().shrink_to_fit();
    }
    return dropped;
}

std::size_t Scrollback::MemoryBytes() const {
    std::size_t bytes = rows_.size() * sizeof(std::string);
    for (const std::string& row : rows_)
        if (row.capacity() > 15) // beyond the short-string storage inside the object
            bytes += row.capacity() + 1;
    return bytes;
}
