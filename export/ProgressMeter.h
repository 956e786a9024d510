#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class QProgressBar;

// The export's progress meter: a lower bound, an upper bound and a position, as the export run
// writes them. It takes every value it is given, also an upper bound below the lower one (an
// empty preview) and a position outside the range (more lines than the preview had): the bar
// then holds at the nearer bound, while the text tells the line in numbers.
// A new position is painted at most every frameMs: painting the bar for every one of many
// thousand lines would cost more than sending them. The last position always shows.
class ProgressMeter : public QWidget {
    Q_OBJECT
public:
    explicit ProgressMeter(QWidget *parent = nullptr);

    void setLower(int lower);
    void setUpper(int upper);
    void setPosition(int position);

    int lower() const { return lower_; }
    int upper() const { return upper_; }
    int position() const { return position_; }

    // What the bar shows: the position held within the bounds.
    int shownPosition() const;
    // "Zeile n von N", or empty before the first line was counted.
    QString text() const;

    static constexpr int frameMs = 40;

private:
    void refresh();

    QElapsedTimer sincePaint_;
    QTimer pending_; // paints a position that came too soon after the last one
    QProgressBar *bar_;
    int lower_ = 0;
    int upper_ = 100;
    int position_ = 0;
};
