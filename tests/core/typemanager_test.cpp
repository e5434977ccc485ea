// SPDX-License-Identifier: Apache-2.0
// The class registry: names of at most 63 characters as whole, case-sensitive keys where the first
// registration wins, creation by name, and the depth-first type test over every filled parent
// slot, comparing descriptors by address. Each published descriptor carries a name of its own:
// the registry is process-wide and never forgets an entry.
#include <vesk/typemanager.h>

#include <gtest/gtest.h>

#include <tuple>

using Vesk::CRuntimeClassInfo;

TEST(TypeManager, NamesAreWholeKeysAndTypesAreComparedByAddress) {
    Vesk::CTypeManager& registry = Vesk::CTypeManager::GetInstance();
    const std::string name70 = "Reg_Long_" + std::string(61, 'x'), name63 = name70.substr(0, 63);
    CRuntimeClassInfo cut(name70.c_str()), first("Reg_Case"), second("Reg_Case"), lower("Reg_case");
    for (CRuntimeClassInfo* info : {&cut, &first, &second, &lower}) {
        info->SetIsInitialized();
    }
    const std::pair<const char*, const CRuntimeClassInfo*> lookups[] = {
        {name63.c_str(), &cut}, {name70.c_str(), nullptr}, {"Reg_Case", &first},
        {"Reg_case", &lower},   {"Reg_Cas", nullptr},      {"Reg_Cases", nullptr}};
    for (const auto& lookup : lookups) {
        EXPECT_EQ(registry.FindClassByName(lookup.first), lookup.second) << lookup.first;
    }
    // A creation function returning a known address; the other class has none.
    first.m_pfnCreateObject = [] { return static_cast<void*>(&Vesk::CTypeManager::GetInstance()); };
    EXPECT_EQ(registry.CreateObjectByName("Reg_Case"), &registry);
    EXPECT_EQ(registry.CreateObjectByName("Reg_case"), nullptr);

    // A <- B <- C, and D as C's second parent; G has five parents, the fifth X. Descriptors with
    // one name are still different types.
    CRuntimeClassInfo a("A"), b("B"), c("C"), d("D"), g("G"), x("X"), otherA("A");
    const std::pair<CRuntimeClassInfo*, CRuntimeClassInfo*> links[] = {
        {&b, &a}, {&c, &b}, {&c, &d}, {&g, &a}, {&g, &b}, {&g, &c}, {&g, &d}, {&g, &x}};
    for (const auto& [info, parent] : links) {
        info->RegisterParentClass(*parent);
    }
    const std::tuple<CRuntimeClassInfo&, CRuntimeClassInfo&, bool> cases[] = {
        {c, a, true}, {c, d, true},  {c, c, true}, {a, c, false},     {b, d, false},
        {g, d, true}, {g, x, false}, {x, x, true}, {c, otherA, false}};
    for (const auto& [info, target, expected] : cases) {
        EXPECT_EQ(info.IsTypeOf(target), expected) << info.m_className << "/" << target.m_className;
    }
}
