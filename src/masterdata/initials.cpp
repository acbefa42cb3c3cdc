#include "masterdata/initials.h"

#include "core/db/record_set.h"
#include "core/text/pinyin.h"

void Initials::regenerate(RecordSet &set, const std::function<void(int row)> &progress)
{
    const int name = set.fieldIndex(QStringLiteral("MC"));
    const int initials = set.fieldIndex(QStringLiteral("JP"));
    for (int row = 0; row < set.rowCount(); ++row) {
        set.setValue(row, initials, Text::PinyinInitials(set.value(row, name).toString()));
        if (progress)
            progress(row + 1);
    }
}
