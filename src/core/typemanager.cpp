// SPDX-License-Identifier: Apache-2.0
// CRuntimeClassInfo and CTypeManager: descriptors, the name map and the depth-first type test.
#include <vesk/typemanager.h>

#include <cstring>

#include "sync/stopguard.h"

namespace Vesk {

CRuntimeClassInfo::CRuntimeClassInfo(char* className)
    : m_className(), m_isInitialized(false), m_pfnCreateObject(nullptr), m_parentClasses() {
    if (className != nullptr) {
        // strncpy zero-fills after a short name; a long one is cut by the final 0.
        std::strncpy(m_className, className, sizeof m_className);
        m_className[sizeof m_className - 1] = '\0';
    }
}

CRuntimeClassInfo::~CRuntimeClassInfo() {}

void* CRuntimeClassInfo::CreateObject() const {
    return m_pfnCreateObject != nullptr ? m_pfnCreateObject() : nullptr;
}

// The registry's one-time construction and its map defer a forced stop of the calling worker
// (a guard or an allocation left half done would block or corrupt every later caller).
void CRuntimeClassInfo::SetIsInitialized() {
    const CStopDeferral deferral;
    if (!m_isInitialized) {
        CTypeManager::GetInstance().RegisterClass(*this);
        m_isInitialized = true;
    }
}

bool CRuntimeClassInfo::IsTypeOf(const CRuntimeClassInfo& other) const {
    if (this == &other) {
        return true;
    }
    // No filled slot follows an empty one, so the first null ends the parents. Asking each
    // parent (which tests its own address first) searches slot 0's whole ancestry before slot 1.
    for (const CRuntimeClassInfo* parent : m_parentClasses) {
        if (parent == nullptr) {
            break;
        }
        if (parent->IsTypeOf(other)) {
            return true;
        }
    }
    return false;
}

void CRuntimeClassInfo::RegisterParentClass(const CRuntimeClassInfo& parent) {
    for (const CRuntimeClassInfo*& slot : m_parentClasses) {
        if (slot == nullptr) {
            slot = &parent;
            return;
        }
    }
}

CTypeManager::CTypeManager() = default;
CTypeManager::~CTypeManager() = default;

CTypeManager& CTypeManager::GetInstance() {
    const CStopDeferral deferral;
    // Built on first use, not at load: descriptors publish from static initializers of any
    // module, in any order, and the first of them creates the registry.
    static CTypeManager registry;
    return registry;
}

void CTypeManager::RegisterClass(const CRuntimeClassInfo& info) {
    const CStopDeferral deferral;
    // emplace leaves an existing entry alone: the first descriptor of a name wins.
    m_classesByName.emplace(std::string(info.m_className), &info);
}

const CRuntimeClassInfo* CTypeManager::FindClassByName(const char* name) {
    const CStopDeferral deferral;
    if (name == nullptr) {
        return nullptr;
    }
    const auto found = m_classesByName.find(std::string(name));
    return found != m_classesByName.end() ? found->second : nullptr;
}

void* CTypeManager::CreateObjectByName(const char* name) {
    const CRuntimeClassInfo* info = FindClassByName(name);
    return info != nullptr ? info->CreateObject() : nullptr;
}

}  // namespace Vesk
