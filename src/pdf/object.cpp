#include "pdf/object.h"

#include <charconv>
#include <new>

#include "pdf/qpdf_access.h"

namespace zvk::pdf {

static_assert(sizeof(QPDFObjectHandle) <= 16 && alignof(QPDFObjectHandle) <= 8,
              "Object's inline storage must hold the library's handle");

namespace {

QPDFObjectHandle* at(unsigned char* storage) {
    return std::launder(reinterpret_cast<QPDFObjectHandle*>(storage));
}
// The library's accessors are not const-qualified although they do not change
// the object; a const Object still reads through them.
QPDFObjectHandle* at(const unsigned char* storage) {
    return std::launder(reinterpret_cast<QPDFObjectHandle*>(const_cast<unsigned char*>(storage)));
}

// Every call into the library can throw (damaged objects are resolved lazily);
// an object we cannot read counts as null. Memory running out is no fault of
// the object: it goes on to the operation's entry (see CoreError::out_of_memory).
template <typename F, typename T>
T guarded(F&& f, T fallback) {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        return fallback;
    }
}

}  // namespace

std::string ObjectId::text() const {
    return std::to_string(number) + " " + std::to_string(generation);
}

QPDFObjectHandle& Object::Access::handle(Object& o) { return *at(o.storage_); }
const QPDFObjectHandle& Object::Access::handle(const Object& o) { return *at(o.storage_); }
Object Object::Access::make(QPDFObjectHandle h, bool followed) {
    Object o;
    *at(o.storage_) = std::move(h);
    o.followed_ = followed;
    return o;
}

Object::Object() { new (storage_) QPDFObjectHandle(); }
Object::Object(const Object& other) : followed_(other.followed_) {
    new (storage_) QPDFObjectHandle(*at(other.storage_));
}
Object::Object(Object&& other) noexcept : followed_(other.followed_) {
    new (storage_) QPDFObjectHandle(std::move(*at(other.storage_)));
}
Object& Object::operator=(const Object& other) {
    *at(storage_) = *at(other.storage_);
    followed_ = other.followed_;
    return *this;
}
Object& Object::operator=(Object&& other) noexcept {
    *at(storage_) = std::move(*at(other.storage_));
    followed_ = other.followed_;
    return *this;
}
Object::~Object() { at(storage_)->~QPDFObjectHandle(); }

Object::Kind Object::kind() const {
    auto& h = *at(storage_);
    if (!h.isInitialized()) return Kind::Null;
    if (h.isIndirect() && !followed_) return Kind::Reference;
    return guarded(
        [&] {
            switch (h.getTypeCode()) {
            case ::ot_boolean: return Kind::Boolean;
            case ::ot_integer: return Kind::Integer;
            case ::ot_real: return Kind::Real;
            case ::ot_name: return Kind::Name;
            case ::ot_string: return Kind::String;
            case ::ot_array: return Kind::Array;
            case ::ot_dictionary: return Kind::Dictionary;
            case ::ot_stream: return Kind::Stream;
            default: return Kind::Null;
            }
        },
        Kind::Null);
}

std::optional<ObjectId> Object::object_id() const {
    auto& h = *at(storage_);
    if (!h.isInitialized() || !h.isIndirect()) return std::nullopt;
    auto og = h.getObjGen();
    if (og.getObj() <= 0) return std::nullopt;
    return ObjectId{static_cast<std::uint32_t>(og.getObj()),
                    static_cast<std::uint16_t>(og.getGen())};
}

std::optional<std::uintptr_t> Object::identity() const {
    const QPDFObjectHandle& h = *at(storage_);
    if (!h.isInitialized()) return std::nullopt;
    return reinterpret_cast<std::uintptr_t>(h.getObjectPtr());
}

Object Object::follow() const {
    Object o(*this);
    o.followed_ = true;
    return o;
}

bool Object::as_bool() const {
    if (kind() != Kind::Boolean) return false;
    return guarded([&] { return at(storage_)->getBoolValue(); }, false);
}

std::int64_t Object::as_integer() const {
    if (kind() != Kind::Integer) return 0;
    return guarded([&] { return static_cast<std::int64_t>(at(storage_)->getIntValue()); },
                   std::int64_t{0});
}

float Object::as_real() const {
    if (kind() != Kind::Real) return 0.0f;
    std::string text = guarded([&] { return at(storage_)->getRealValue(); }, std::string());
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    float value = 0.0f;
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec == std::errc::result_out_of_range) {
        // A real beyond the f32 range: the library keeps the digits; take the
        // nearest value the double gives.
        double d = guarded([&] { return at(storage_)->getNumericValue(); }, 0.0);
        return static_cast<float>(d);
    }
    return ec == std::errc() ? value : 0.0f;
}

float Object::as_f32() const {
    switch (kind()) {
    case Kind::Integer: return static_cast<float>(as_integer());
    case Kind::Real: return as_real();
    default: return 0.0f;
    }
}

std::string Object::name_bytes() const {
    if (kind() != Kind::Name) return {};
    std::string n = guarded([&] { return at(storage_)->getName(); }, std::string());
    if (!n.empty() && n.front() == '/') n.erase(0, 1);
    return n;
}

std::string Object::string_bytes() const {
    if (kind() != Kind::String) return {};
    return guarded([&] { return at(storage_)->getStringValue(); }, std::string());
}

std::size_t Object::array_size() const {
    if (kind() != Kind::Array) return 0;
    return guarded([&] { return static_cast<std::size_t>(at(storage_)->getArrayNItems()); },
                   std::size_t{0});
}

Object Object::array_at(std::size_t index) const {
    if (kind() != Kind::Array) return {};
    return guarded(
        [&] {
            auto& h = *at(storage_);
            if (index >= static_cast<std::size_t>(h.getArrayNItems())) return Object();
            return Access::make(h.getArrayItem(static_cast<int>(index)), false);
        },
        Object());
}

std::vector<Object> Object::array_items() const {
    std::vector<Object> items;
    if (kind() != Kind::Array) return items;
    guarded(
        [&] {
            auto& h = *at(storage_);
            for (auto& item : h.getArrayAsVector()) items.push_back(Access::make(item, false));
            return 0;
        },
        0);
    return items;
}

std::vector<std::string> Object::dict_keys() const {
    std::vector<std::string> keys;
    auto k = kind();
    if (k != Kind::Dictionary && k != Kind::Stream) return keys;
    guarded(
        [&] {
            auto& h = *at(storage_);
            auto dict = k == Kind::Stream ? h.getDict() : h;
            for (auto& key : dict.getKeys()) {
                keys.push_back(!key.empty() && key.front() == '/' ? key.substr(1) : key);
            }
            return 0;
        },
        0);
    return keys;
}

bool Object::has_key(const std::string& key) const {
    auto k = kind();
    if (k != Kind::Dictionary && k != Kind::Stream) return false;
    return guarded(
        [&] {
            auto& h = *at(storage_);
            auto dict = k == Kind::Stream ? h.getDict() : h;
            return dict.hasKey("/" + key);
        },
        false);
}

Object Object::get(const std::string& key) const {
    auto k = kind();
    if (k != Kind::Dictionary && k != Kind::Stream) return {};
    return guarded(
        [&] {
            auto& h = *at(storage_);
            auto dict = k == Kind::Stream ? h.getDict() : h;
            if (!dict.hasKey("/" + key)) return Object();
            return Access::make(dict.getKey("/" + key), false);
        },
        Object());
}

Object Object::stream_dict() const {
    if (kind() != Kind::Stream) return {};
    return guarded([&] { return Access::make(at(storage_)->getDict(), true); }, Object());
}

bool Object::stream_has_filter() const {
    if (kind() != Kind::Stream) return false;
    Object filter = stream_dict().get("Filter").follow();
    switch (filter.kind()) {
    case Kind::Name: return true;
    case Kind::Array: return filter.array_size() > 0;
    default: return false;
    }
}

std::optional<std::string> Object::stream_raw_data() const {
    if (kind() != Kind::Stream) return std::nullopt;
    try {
        auto buf = at(storage_)->getRawStreamData();
        if (!buf) return std::string();
        return std::string(reinterpret_cast<const char*>(buf->getBuffer()), buf->getSize());
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace zvk::pdf
