#include "hook_keys.hpp"

#include "convert/text_objects.hpp"

namespace velmora_py {

PyObject *KeyObjects::new_ref(std::size_t position, std::string_view key) {
  if (position < recent_.size() && recent_[position].text == key)
    return Py_NewRef(recent_[position].object);
  auto found = objects_.find(key);
  if (found == objects_.end()) {
    OwnedRef made(str_from_utf8(key));
    if (!made || objects_.size() >= kMaxKeys || key.size() > kMaxKeyBytes) return made.release();
    found = objects_.emplace(std::string(key), std::move(made)).first;
  }
  if (position >= recent_.size()) {
    if (position >= kMaxKeys) return Py_NewRef(found->second.get());
    recent_.resize(position + 1);
  }
  recent_[position] = Recent{found->first, found->second.get()};
  return Py_NewRef(found->second.get());
}

} // namespace velmora_py
