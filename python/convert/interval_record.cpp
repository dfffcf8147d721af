#include "convert/interval_record.hpp"

#include "convert/rendering.hpp"

namespace velmora_py {
namespace {

// Required values always render; optional ones may be absent.
std::string text_of(const velmora::Date &date) { return velmora::format_date(date); }
std::string text_of(const velmora::Decimal &amount) { return velmora::format_decimal(amount); }
template <class T> std::optional<std::string> text_of(const std::optional<T> &value) {
  return render(value);
}

} // namespace

IntervalRecord render_interval(const velmora::Interval &interval) {
#define VELMORA_PY_RENDER(member, key, kind, required, attribute) .member = text_of(interval.member),
  return IntervalRecord{VELMORA_INTERVAL_FIELDS(VELMORA_PY_RENDER)};
#undef VELMORA_PY_RENDER
}

} // namespace velmora_py
