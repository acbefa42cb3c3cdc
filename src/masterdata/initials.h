#pragma once
#include <functional>

class RecordSet;

namespace Initials {
// 简拼 of a list of members or products: every row's JP := the pinyin
// initials of its MC (pending until saved), reporting the 1-based row number
// as it goes.
void regenerate(RecordSet &set, const std::function<void(int row)> &progress = {});
} // namespace Initials
