#include "tables/arrow_export.hpp"

#include <string>

namespace velmora::tables {

namespace {

// --- schemas ----------------------------------------------------------------

struct SchemaHolder {
  std::string format;
  std::string name;
  std::vector<ArrowSchema *> children;
};

void release_schema(ArrowSchema *schema) {
  auto *holder = static_cast<SchemaHolder *>(schema->private_data);
  for (ArrowSchema *child : holder->children) {
    if (child->release) child->release(child);
    delete child;
  }
  delete holder;
  schema->release = nullptr;
}

// Children are handed over: from here on the new schema releases them.
void make_schema(ArrowSchema *out, std::string format, std::string_view name, bool nullable,
                 std::vector<ArrowSchema *> children) {
  auto *holder = new SchemaHolder{std::move(format), std::string(name), std::move(children)};
  *out = ArrowSchema{};
  out->format = holder->format.c_str();
  out->name = holder->name.c_str();
  out->flags = nullable ? ARROW_FLAG_NULLABLE : 0;
  out->n_children = static_cast<std::int64_t>(holder->children.size());
  out->children = holder->children.empty() ? nullptr : holder->children.data();
  out->release = release_schema;
  out->private_data = holder;
}

// A schema allocated for a parent's children list.
ArrowSchema *child_schema(std::string format, std::string_view name, bool nullable,
                          std::vector<ArrowSchema *> children = {}) {
  auto *child = new ArrowSchema{};
  try {
    make_schema(child, std::move(format), name, nullable, std::move(children));
  } catch (...) {
    delete child;
    throw;
  }
  return child;
}

std::string format_of(ColumnType type, DecimalLayout decimals) {
  switch (type) {
  case ColumnType::Utf8: return "u";
  case ColumnType::Int32: return "i";
  case ColumnType::Int64: return "l";
  case ColumnType::Date32: return "tdD";
  case ColumnType::Decimal:
    return "d:" + std::to_string(decimals.precision()) + "," + std::to_string(decimals.scale) +
           (decimals.wide ? ",256" : "");
  case ColumnType::Utf8Map: return "+m";
  }
  return "n";
}

ArrowSchema *column_schema(const ColumnSpec &spec, DecimalLayout decimals) {
  if (spec.type != ColumnType::Utf8Map) {
    return child_schema(format_of(spec.type, decimals), spec.name, spec.nullable);
  }
  // map<utf8, utf8>: a list of non-null "entries" structs of key and value.
  ArrowSchema *key = child_schema("u", "key", false);
  ArrowSchema *value = nullptr;
  ArrowSchema *entries = nullptr;
  try {
    value = child_schema("u", "value", true);
    entries = child_schema("+s", "entries", false, {key, value});
  } catch (...) {
    if (!entries) {
      key->release(key);
      delete key;
      if (value) {
        value->release(value);
        delete value;
      }
    }
    throw;
  }
  return child_schema("+m", spec.name, spec.nullable, {entries});
}

// --- arrays -----------------------------------------------------------------

struct ArrayHolder {
  std::shared_ptr<const void> keep; // the data the buffers point into
  std::vector<const void *> buffers;
  std::vector<ArrowArray *> children;
};

void release_array(ArrowArray *array) {
  auto *holder = static_cast<ArrayHolder *>(array->private_data);
  for (ArrowArray *child : holder->children) {
    if (child->release) child->release(child);
    delete child;
  }
  delete holder;
  array->release = nullptr;
}

// Consumers may read a buffer of a zero-length array; give them a byte.
const void *data_or_empty(const void *p) {
  static const std::uint64_t kEmpty = 0;
  return p ? p : &kEmpty;
}

ArrowArray *new_array(std::shared_ptr<const void> keep, std::int64_t length,
                      std::int64_t null_count, std::vector<const void *> buffers,
                      std::vector<ArrowArray *> children) {
  auto *holder = new ArrayHolder{std::move(keep), std::move(buffers), std::move(children)};
  auto *array = new ArrowArray{};
  array->length = length;
  array->null_count = null_count;
  array->n_buffers = static_cast<std::int64_t>(holder->buffers.size());
  array->buffers = holder->buffers.data();
  array->n_children = static_cast<std::int64_t>(holder->children.size());
  array->children = holder->children.empty() ? nullptr : holder->children.data();
  array->release = release_array;
  array->private_data = holder;
  return array;
}

const void *validity_of(const ColumnData &column) {
  return column.null_count > 0 ? column.validity.data() : nullptr;
}

ArrowArray *utf8_array(const std::shared_ptr<const ColumnData> &column) {
  return new_array(
      column, column->length, column->null_count,
      {validity_of(*column), column->offsets.data(), data_or_empty(column->values.data())}, {});
}

ArrowArray *column_array(const std::shared_ptr<const ColumnData> &column, ColumnType type) {
  switch (type) {
  case ColumnType::Utf8: return utf8_array(column);
  case ColumnType::Utf8Map: {
    const auto &keys = column->children[0];
    ArrowArray *key_array = utf8_array(keys);
    ArrowArray *value_array = utf8_array(column->children[1]);
    ArrowArray *entries = new_array(column, keys->length, 0, {nullptr}, {key_array, value_array});
    return new_array(column, column->length, 0, {nullptr, column->offsets.data()}, {entries});
  }
  default:
    return new_array(column, column->length, column->null_count,
                     {validity_of(*column), data_or_empty(column->values.data())}, {});
  }
}

} // namespace

void export_schema(const TableSchema &schema, ArrowSchema *out) {
  std::vector<ArrowSchema *> children;
  try {
    for (const ColumnSpec &spec : schema.columns) {
      children.push_back(column_schema(spec, schema.decimals));
    }
    make_schema(out, "+s", "", false, children);
  } catch (...) {
    for (ArrowSchema *child : children) {
      child->release(child);
      delete child;
    }
    throw;
  }
}

void export_batch(const TableSchema &schema, std::shared_ptr<const Batch> batch, ArrowArray *out) {
  std::vector<ArrowArray *> children;
  try {
    for (std::size_t i = 0; i < schema.columns.size(); ++i) {
      children.push_back(column_array(batch->columns[i], schema.columns[i].type));
    }
    ArrowArray *root = new_array(batch, batch->rows, 0, {nullptr}, children);
    *out = *root; // the struct moves; its holder stays with it
    delete root;
  } catch (...) {
    for (ArrowArray *child : children) {
      child->release(child);
      delete child;
    }
    throw;
  }
}

} // namespace velmora::tables
