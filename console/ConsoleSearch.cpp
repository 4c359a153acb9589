#include "console/ConsoleSearch.h"

void ConsoleSearch::Search(const QStringList& lines, const QString& needle, int fromLine) {
    needle_ = needle;
    matches_.clear();
    current_ = -1;
    if (needle.isEmpty())
        return;
    const int width = static_cast<int>(needle.size());
    for (int line = 0; line < lines.size(); ++line) {
        const QString& text = lines[line];
        for (qsizetype at = text.indexOf(needle, 0, Qt::CaseInsensitive); at >= 0;
             at = text.indexOf(needle, at + width, Qt::CaseInsensitive))
            matches_.push_back(Match{line, static_cast<int>(at), width});
    }
    if (matches_.empty())
        return;
    current_ = static_cast<int>(matches_.size()) - 1;
    for (std::size_t i = 0; i < matches_.size(); ++i)
        if (matches_[i].line >= fromLine) {
            current_ = static_cast<int>(i);
            break;
        }
}

void ConsoleSearch::Next() {
    if (!matches_.empty())
        current_ = (current_ + 1) % static_cast<int>(matches_.size());
}

void ConsoleSearch::Previous() {
    if (!matches_.empty())
        current_ = (current_ + static_cast<int>(matches_.size()) - 1) % static_cast<int>(matches_.size());
}

void ConsoleSearch::Clear() {
    needle_.clear();
    matches_.clear();
    current_ = -1;
}

const ConsoleSearch::Match* ConsoleSearch::Current() const {
    return current_ < 0 ? nullptr : &matches_[static_cast<std::size_t>(current_)];
}
