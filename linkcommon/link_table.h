// Reference-counted links behind 32-bit handles. The client holds a handle, never a pointer:
// every exported call and every socket event looks the handle up and holds a reference while
// it runs, so a link closed meanwhile is freed only when the last such reference goes.
#pragma once

#include "linkcommon/link_event.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace orv {

// Base of a link: the reference count starts at 1 (the creator's reference).
class RefCounted {
public:
    RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    void AddRef() { m_refs.fetch_add(1, std::memory_order_relaxed); }
    void Release() {
        if (m_refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }

protected:
    virtual ~RefCounted() = default;

private:
    std::atomic<std::uint32_t> m_refs{1};
};

// Owns one reference.
template <class T>
class Ref {
public:
    Ref() = default;
    static Ref Adopt(T* object) { return Ref(object); }
    Ref(Ref&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    Ref& operator=(Ref&& other) noexcept {
        if (this != &other) {
            Reset();
            m_object = std::exchange(other.m_object, nullptr);
        }
        return *this;
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() { Reset(); }

    void Reset() {
        if (m_object != nullptr) std::exchange(m_object, nullptr)->Release();
    }
    // Gives up ownership of the reference without releasing it.
    T* Detach() { return std::exchange(m_object, nullptr); }
    T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }

private:
    explicit Ref(T* object) : m_object(object) {}
    T* m_object = nullptr;
};

// Handle table: handles count up from 1 and are not reused while the library is loaded
// (a 32-bit counter; after a wrap, handles still in use are skipped).
template <class T>
class LinkTable {
public:
    // Takes over the creator's reference of object; returns its new handle.
    LinkHandle Add(Ref<T> object) {
        std::lock_guard<std::mutex> lock(m_mutex);
        do {
            ++m_next;
        } while (m_next == 0 || m_links.count(m_next) != 0);
        object->SetHandle(m_next);
        m_links.emplace(m_next, object.Detach());
        return m_next;
    }

    // A new reference to the link, or empty when the handle is unknown (closed or never made).
    Ref<T> Find(LinkHandle handle) {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_links.find(handle);
        if (it == m_links.end()) return {};
        it->second->AddRef();
        return Ref<T>::Adopt(it->second);
    }

    // Removes the handle and hands back the creator's reference (empty when unknown), so
    // exactly one caller can close a link.
    Ref<T> Remove(LinkHandle handle) {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_links.find(handle);
        if (it == m_links.end()) return {};
        T* object = it->second;
        m_links.erase(it);
        return Ref<T>::Adopt(object);
    }

    std::size_t Count() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_links.size();
    }

private:
    std::mutex m_mutex;
    std::unordered_map<LinkHandle, T*> m_links;
    LinkHandle m_next = 0;
};

} // namespace orv
