#include "convert/interval_record.hpp"

#include "convert/compact_record.hpp"

namespace velmora_py {

IntervalRecord render_interval(const velmora::Interval &interval) {
  return compact_record(interval);
}

} // namespace velmora_py
