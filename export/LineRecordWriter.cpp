#include "export/LineRecordWriter.h"

#include "core/Conversions.h"
#include "export/ServerCallLine.h"

LineRecordWriter::LineRecordWriter(const RecordCheck &check, const QLocale &locale)
    : check_(check)
    , converter_(locale) {}

void LineRecordWriter::begin(ServerCallLine *line) {
    line_ = line;
}

bool LineRecordWriter::add(const QVariant &value) {
    // The text buffer keeps its capacity from value to value.
    text_.clear();
    converter_.append(text_, value, NumberPattern::None);
    problem_ = check_.problem(text_);
    if (!problem_.isEmpty())
        return false;
    if (line_) {
        line_->append(QStringView(text_));
        line_->append(QLatin1Char('`'));
    }
    return true;
}
