#pragma once

#include <QObject>
#include <QString>

class QLineEdit;
class QWidget;

// Says that an action succeeded without a box and without moving any control: a tool tip at the control
// for a few seconds.
inline constexpr int SuccessTipMilliseconds = 4000;
void ShowSuccessTip(QWidget* control, const QString& text);

// True when the field shows its whole text in the room it has.
bool TextFitsField(const QLineEdit& field);

// Gives read-out fields such as the Connections page's a tool tip with their whole text, but only while
// that text does not fit; decided when the tip is asked for, so a text edited by hand counts too.
class FullTextToolTips final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FullTextToolTips)

public:
    explicit FullTextToolTips(QObject* parent) : QObject(parent) {}
    void watch(QLineEdit* field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
