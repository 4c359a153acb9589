#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// Finds a text in a console window's lines (scrollback and screen, top to bottom), letter case ignored, and
// steps through the places found: next goes down towards newer lines, previous up towards older ones, both
// wrapping around.
class ConsoleSearch final {
public:
    struct Match {
        int line = 0;
        int column = 0;
        int length = 0;
        friend bool operator==(const Match&, const Match&) = default;
    };

    // Finds every place of needle in lines; the current place becomes the first at or after fromLine, or
    // the last place when none is that far down. An empty needle finds nothing.
    void Search(const QStringList& lines, const QString& needle, int fromLine);
    void Next();
    void Previous();
    void Clear();

    const std::vector<Match>& Matches() const { return matches_; }
    // The current place, or nullptr when nothing was found.
    const Match* Current() const;
    int CurrentIndex() const { return current_; }
    const QString& Needle() const { return needle_; }

private:
    QString needle_;
    std::vector<Match> matches_;
    int current_ = -1;
};
