// SPDX-License-Identifier: Apache-2.0
/// @file
/// The runtime class registry: Vesk::CRuntimeClassInfo, one static descriptor per application
/// class (name, creation function, up to four parents), and Vesk::CTypeManager, the process-wide
/// map from class names to descriptors.
///
/// An application creates objects from class names held in text (CreateObjectByName) and asks
/// whether one class derives from another (IsTypeOf), independently of the language's own type
/// information. The helper macros at the end of this header declare, fill and publish a class's
/// descriptor in two lines.
///
/// Thread-safety: the registry's map has no lock. Publish every descriptor (static initializers do
/// that) before other threads look names up; after that any number of threads may look up, create
/// by name and call IsTypeOf at once.
#ifndef VESK_TYPEMANAGER_H
#define VESK_TYPEMANAGER_H

#include <vesk/export.h>

#include <map>
#include <string>
#include <type_traits>

namespace Vesk {

/// Creates a new object of a class and returns it; the caller knows its type and owns it.
typedef void* (*PFN_CREATE_OBJECT)();

/// A class descriptor, meant to have static storage duration. Its identity is its address: the
/// registry keeps that address, and IsTypeOf compares descriptors by address, never by name.
/// For that reason a descriptor cannot be copied.
class VESK_API CRuntimeClassInfo {
  public:
    enum { kMaxParents = 4, kNameSize = 64 };

    /// Copies at most 63 characters of `className` (zero-terminated) and zero-fills the rest; null
    /// is taken as the empty name. Unpublished, no creation function, no parents.
    CRuntimeClassInfo(char* className);
    /// The same for a constant name (the text is only read).
    CRuntimeClassInfo(const char* className)
        : CRuntimeClassInfo(const_cast<char*>(className)) {}  // the text is only read
    /// Does nothing: the registry keeps its entry.
    ~CRuntimeClassInfo();
    CRuntimeClassInfo(const CRuntimeClassInfo&) = delete;
    CRuntimeClassInfo& operator=(const CRuntimeClassInfo&) = delete;

    /// A new object from m_pfnCreateObject, or null when the class has no creation function.
    void* CreateObject() const;
    /// The first call publishes the descriptor in CTypeManager::GetInstance() and marks it
    /// initialized; later calls do nothing. A name already taken keeps its first descriptor, but
    /// this one is marked initialized all the same.
    void SetIsInitialized();
    /// True when `other` is this very descriptor or one of its ancestors: depth-first over the
    /// parent slots in order, the whole ancestry of slot 0 before slot 1. The hierarchy must be
    /// acyclic; it may have any depth.
    bool IsTypeOf(const CRuntimeClassInfo& other) const;
    /// Stores `parent` in the first empty slot; the order of the calls is the search order of
    /// IsTypeOf. A fifth parent is ignored.
    void RegisterParentClass(const CRuntimeClassInfo& parent);

    char m_className[kNameSize];  ///< zero-terminated; the last byte is always 0
    /// Whether SetIsInitialized has run.
    bool m_isInitialized;
    PFN_CREATE_OBJECT m_pfnCreateObject;  ///< set directly by the application (or the macros below)
    const CRuntimeClassInfo* m_parentClasses[kMaxParents];  ///< filled from slot 0, null when empty
};

/// The registry: class name -> descriptor, names compared byte by byte and case-sensitively over
/// their whole length. It owns its map entries, not the descriptors, and never removes an entry.
class VESK_API CTypeManager {
  public:
    CTypeManager();
    ~CTypeManager();
    CTypeManager(const CTypeManager&) = delete;
    CTypeManager& operator=(const CTypeManager&) = delete;

    /// The process-wide registry, built by the first call (thread-safe one-time initialization,
    /// so descriptors may publish from static initializers of any module in any order) and
    /// destroyed at unload or process exit.
    static CTypeManager& GetInstance();

    /// Enters `info` under its name unless the name is taken; a taken name keeps its descriptor.
    void RegisterClass(const CRuntimeClassInfo& info);
    /// The descriptor published under exactly `name`, or null (also for a null `name`).
    const CRuntimeClassInfo* FindClassByName(const char* name);
    /// A new object of the class published under `name`, or null when there is no such class or
    /// it has no creation function (nothing is called then).
    void* CreateObjectByName(const char* name);

    /// Class name -> descriptor.
    std::map<std::string, const CRuntimeClassInfo*> m_classesByName;
};

/// The creation function the helper macros install: a default-constructed T made with `new`.
template <class T>
void* CreateRuntimeObject() {
    return new T();
}

/// Fills `info`, the descriptor of T, and publishes it: the creation function when T can be
/// default-constructed (an abstract class or one without a default constructor gets none), then
/// the descriptors of Parents (each declared with VESK_DECLARE_RUNTIME_CLASS) in slot order.
template <class T, class... Parents>
bool PublishRuntimeClass(CRuntimeClassInfo& info) {
    if constexpr (std::is_default_constructible<T>::value) {
        info.m_pfnCreateObject = &CreateRuntimeObject<T>;
    }
    (info.RegisterParentClass(Parents::m_runtimeClassInfo), ...);
    info.SetIsInitialized();
    return true;
}

}  // namespace Vesk

/// Declaration helper for the class body: declares the class's descriptor
/// `m_runtimeClassInfo`. Hazard: it leaves the class body in public access.
#define VESK_DECLARE_RUNTIME_CLASS()                     \
  public:                                                \
    static ::Vesk::CRuntimeClassInfo m_runtimeClassInfo; \
    static const bool m_isRuntimeClassPublished

/// Declaration helper for one source file, at namespace scope, once per class:
///   VESK_IMPLEMENT_RUNTIME_CLASS(CClass)                     no parents
///   VESK_IMPLEMENT_RUNTIME_CLASS(CClass, CParent1, CParent2) parents in IsTypeOf search order
/// The descriptor is named after the class as written (a qualified name keeps its qualifiers) and
/// is defined before the flag whose initializer fills and publishes it; objects of one source
/// file are initialized in the order of their definitions, so the filling never runs before the
/// descriptor's constructor (which would clear it again).
#define VESK_IMPLEMENT_RUNTIME_CLASS(...)                                                    \
    ::Vesk::CRuntimeClassInfo VESK_RUNTIME_CLASS_FIRST_(__VA_ARGS__, ~)::m_runtimeClassInfo( \
        VESK_RUNTIME_CLASS_TEXT_(VESK_RUNTIME_CLASS_FIRST_(__VA_ARGS__, ~)));                \
    const bool VESK_RUNTIME_CLASS_FIRST_(__VA_ARGS__, ~)::m_isRuntimeClassPublished =        \
        ::Vesk::PublishRuntimeClass<__VA_ARGS__>(                                            \
            VESK_RUNTIME_CLASS_FIRST_(__VA_ARGS__, ~)::m_runtimeClassInfo)

/// Internal: the first macro argument (the extra `~` keeps the variadic part non-empty), and its
/// text after macro expansion.
#define VESK_RUNTIME_CLASS_FIRST_(first, ...) first
#define VESK_RUNTIME_CLASS_TEXT_(name) VESK_RUNTIME_CLASS_QUOTE_(name)
#define VESK_RUNTIME_CLASS_QUOTE_(name) #name

#endif  // VESK_TYPEMANAGER_H
