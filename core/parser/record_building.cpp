#include "parser/record_building.hpp"

#include <algorithm>
#include <bitset>

#include "parser/known_keys.hpp"
#include "parser/value_parsing.hpp"
#include "velmora/model/document_members.hpp"
#include "velmora/model/exchange_keys.hpp"

namespace velmora {

namespace {

constexpr std::string_view kDocumentTypeKey = kDocumentBeginKey;

constexpr std::size_t kTypeField = kDocumentTypeField;

template <class... Fs> struct Overloaded : Fs... {
  using Fs::operator()...;
};
template <class... Fs> Overloaded(Fs...) -> Overloaded<Fs...>;

// Converts one value into its document member; a failure is the message.
std::expected<void, std::string> store_document_field(Document &doc, std::size_t index,
                                                      std::string &&value) {
  return std::visit(
      Overloaded{
          [&](std::string Document::*m) -> std::expected<void, std::string> {
            doc.*m = std::move(value);
            return {};
          },
          [&](std::optional<std::string> Document::*m) -> std::expected<void, std::string> {
            doc.*m = std::move(value);
            return {};
          },
          [&](Date Document::*m) -> std::expected<void, std::string> {
            auto date = parse_required_date(value);
            if (!date) return std::unexpected(std::move(date.error()));
            doc.*m = *date;
            return {};
          },
          [&](std::optional<Date> Document::*m) -> std::expected<void, std::string> {
            auto date = parse_optional_date(value);
            if (!date) return std::unexpected(std::move(date.error()));
            doc.*m = *date;
            return {};
          },
          [&](Decimal Document::*m) -> std::expected<void, std::string> {
            auto amount = parse_amount(value);
            if (!amount) return std::unexpected(std::move(amount.error()));
            doc.*m = *amount;
            return {};
          },
      },
      kDocumentMembers[index]);
}

template <class T, class R>
std::expected<void, std::string> assign(T &slot, std::expected<R, std::string> &&r) {
  if (!r) return std::unexpected(std::move(r.error()));
  slot = std::move(*r);
  return {};
}

// Interval values are converted where the map holds them; only the date
// conversions treat an empty value as absent.
std::expected<void, std::string> convert_into(Date &slot, std::string_view value) {
  return assign(slot, parse_required_date(value));
}
std::expected<void, std::string> convert_into(std::optional<Date> &slot, std::string_view value) {
  return assign(slot, parse_optional_date(value));
}
std::expected<void, std::string> convert_into(Decimal &slot, std::string_view value) {
  return assign(slot, parse_amount(value));
}
std::expected<void, std::string> convert_into(std::optional<Decimal> &slot,
                                              std::string_view value) {
  return assign(slot, parse_amount(value));
}

// Text values are copied into the member, reusing the room it already has
// when the record is built again in the same place.
std::expected<void, std::string> convert_into(std::string &slot, std::string_view value) {
  slot.assign(value);
  return {};
}
std::expected<void, std::string> convert_into(std::optional<std::string> &slot,
                                              std::string_view value) {
  if (slot) {
    slot->assign(value);
  } else {
    slot.emplace(value);
  }
  return {};
}

// A field that a reused record must not keep from its previous use.
template <class T> void make_absent(std::optional<T> &slot) { slot.reset(); }
template <class T> void make_absent(T &) {}

// One converter per document field, picked by index without a visit.
using DocumentFieldStore = std::expected<void, std::string> (*)(Document &, std::string_view);
template <std::size_t I>
std::expected<void, std::string> store_document_view(Document &doc, std::string_view value) {
  return convert_into(field<I>(doc), value);
}
constexpr auto kDocumentStores = []<std::size_t... I>(std::index_sequence<I...>) {
  return std::array<DocumentFieldStore, kDocumentFieldCount>{&store_document_view<I>...};
}(std::make_index_sequence<kDocumentFieldCount>{});

// Converts one value into the interval member with this index.
std::expected<void, std::string> store_interval_field(Interval &interval, std::size_t index,
                                                      std::string_view value) {
  std::expected<void, std::string> stored;
  [&]<std::size_t... I>(std::index_sequence<I...>) {
    (void)((index == I && (stored = convert_into(field<I>(interval), value), true)) || ...);
  }(std::make_index_sequence<kIntervalFieldCount>{});
  return stored;
}

} // namespace

std::string missing_field_message(std::string_view key) {
  std::string out = "missing field `";
  out.append(key).append("`");
  return out;
}

std::string duplicate_field_message(std::string_view key) {
  std::string out = "duplicate field `";
  out.append(key).append("`");
  return out;
}

std::expected<Document, std::string> build_document(std::vector<AttributeMap::Entry> &&pairs) {
  return build_document(std::span<AttributeMap::Entry>(pairs));
}

namespace {

// Builds from the pairs of `head`, then those of `tail`, in that order.
std::expected<Document, std::string> build_document_from(std::span<AttributeMap::Entry> head,
                                                         std::span<AttributeMap::Entry> tail) {
  Document doc;
  std::bitset<kDocumentFieldCount> supplied;
  for (std::span<AttributeMap::Entry> part : {head, tail}) {
    for (AttributeMap::Entry &pair : part) {
      const std::size_t index = kKnownKeys.find(pair.key).document_field;
      if (index == KnownKey::kNone) continue;
      if (supplied[index]) return std::unexpected(duplicate_field_message(pair.key));
      if (auto stored = store_document_field(doc, index, std::move(pair.value)); !stored) {
        return std::unexpected(std::move(stored.error()));
      }
      supplied[index] = true;
    }
  }
  for (std::size_t i = 0; i < kDocumentFieldCount; ++i) {
    if (kDocumentFields[i].required && !supplied[i]) {
      return std::unexpected(missing_field_message(kDocumentFields[i].key));
    }
  }
  return doc;
}

// Fills `doc` as build_document_from would from the section's pairs
// followed by the type pair: the draft holds each known key's last value at
// the place of its first appearance, which is what the section map holds.
// `doc` may hold a previous document: every field is either stored or, for
// an optional one that the draft lacks, made absent.
std::expected<void, std::string> fill_from_draft(Document &doc, const DocumentDraft &draft,
                                                 std::string_view doc_type) {
  for (std::size_t i = 0; i < draft.count(); ++i) {
    const std::size_t field = draft.field_at(i);
    if (auto stored = kDocumentStores[field](doc, draft.value_of(field)); !stored) return stored;
  }
  if (draft.has(kTypeField)) return std::unexpected(duplicate_field_message(kDocumentTypeKey));
  if (auto stored = kDocumentStores[kTypeField](doc, doc_type); !stored) return stored;
  for (std::size_t i = 0; i < kDocumentFieldCount; ++i) {
    if (kDocumentFields[i].required && i != kTypeField && !draft.has(i)) {
      return std::unexpected(missing_field_message(kDocumentFields[i].key));
    }
  }
  [&]<std::size_t... I>(std::index_sequence<I...>) {
    (void)((draft.has(I) || (make_absent(field<I>(doc)), true)), ...);
  }(std::make_index_sequence<kDocumentFieldCount>{});
  return {};
}

} // namespace

void complete_document_draft(Statement &statement, const DocumentDraft &draft,
                             std::string_view doc_type, std::uint64_t lineno, DocumentSink *sink,
                             Document &reused) {
  if (sink != nullptr) {
    // The sink reads the record while the call lasts; handing over the same
    // record each time lets its strings keep their room from one document
    // to the next instead of being allocated and freed per document.
    if (auto filled = fill_from_draft(reused, draft, doc_type); !filled) {
      sink->take_warning(Warning{lineno, std::move(filled.error())});
    } else {
      sink->take_document(std::move(reused));
    }
    return;
  }
  // Built in place: a document is large, and most sections build.
  Document &doc = statement.documents.emplace_back();
  if (auto filled = fill_from_draft(doc, draft, doc_type); !filled) {
    statement.documents.pop_back();
    statement.warnings.push_back(Warning{lineno, std::move(filled.error())});
  }
}

std::expected<Document, std::string> build_document(std::span<AttributeMap::Entry> pairs) {
  return build_document_from(pairs, {});
}

std::expected<Interval, std::string> build_interval(const AttributeMap &attrs) {
  Interval interval;
  std::bitset<kIntervalFieldCount> supplied;
  for (const AttributeMap::Entry &entry : attrs) {
    const std::size_t index = kKnownKeys.find(entry.key).interval_field;
    if (index == KnownKey::kNone) continue;
    if (supplied[index]) return std::unexpected(duplicate_field_message(entry.key));
    if (auto stored = store_interval_field(interval, index, entry.value); !stored) {
      return std::unexpected(std::move(stored.error()));
    }
    supplied[index] = true;
  }
  for (std::size_t i = 0; i < kIntervalFieldCount; ++i) {
    if (kIntervalFields[i].required && !supplied[i]) {
      return std::unexpected(missing_field_message(kIntervalFields[i].key));
    }
  }
  return interval;
}

void add_interval(AccountMap &accounts, std::string number, Interval interval) {
  Account *account = accounts.find(number);
  if (account == nullptr) {
    Account fresh{std::move(number), {}};
    fresh.intervals.push_back(std::move(interval));
    accounts.append(std::move(fresh));
    return;
  }
  // An equal interval has the same start date, so it is the one a walk over
  // that date's intervals would find; the map's index answers in one probe.
  if (!accounts.note_interval(*account, interval)) return;
  auto &list = account->intervals;
  auto by_start = [](const Interval &a, const Interval &b) { return a.date_start < b.date_start; };
  // After the last interval with the same start: equal starts keep their
  // arrival order. Statements list periods in order, so this is the end.
  auto it = !list.empty() && !(interval.date_start < list.back().date_start)
                ? list.end()
                : std::upper_bound(list.begin(), list.end(), interval, by_start);
  list.insert(it, std::move(interval));
}

void complete_document_section(Statement &statement, AttributeMap &&attrs,
                               std::string_view doc_type, std::uint64_t lineno,
                               DocumentSink *sink) {
  // The map is taken over and freed here, whatever size the section had:
  // the reader starts its next section with a fresh map.
  AttributeMap section = std::move(attrs);
  AttributeMap::Entry type_pair{std::string(kDocumentTypeKey), std::string(doc_type)};
  auto doc = build_document_from(section.entries(), std::span(&type_pair, 1));
  if (!doc) {
    Warning warning{lineno, std::move(doc.error())};
    if (sink != nullptr) {
      sink->take_warning(std::move(warning));
    } else {
      statement.warnings.push_back(std::move(warning));
    }
  } else if (sink != nullptr) {
    sink->take_document(std::move(*doc));
  } else {
    statement.documents.push_back(std::move(*doc));
  }
}

std::expected<void, ParseError> complete_account_section(Statement &statement, AttributeMap &&attrs,
                                                         std::uint64_t lineno) {
  AttributeMap section = std::move(attrs);
  auto interval = build_interval(section);
  if (!interval)
    return std::unexpected(ParseError::account_parse_error(std::move(interval.error()), lineno));
  std::string *number = section.find(kAccountNumberKey);
  if (number == nullptr) {
    return std::unexpected(
        ParseError::missing_field(std::string(kAccountNumberKey), ParseContext::Account, lineno));
  }
  add_interval(statement.accounts, std::move(*number), std::move(*interval));
  return {};
}

} // namespace velmora
