// The class registry: names as keys, first registration wins, creation by name, and the
// depth-first type test over parent slots. Every test uses names of its own, since the registry
// is process-wide and never forgets an entry.
#include <vesk/typemanager.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using Vesk::CRuntimeClassInfo;
using Vesk::CTypeManager;

int g_creations = 0;
void* CountingCreate() {
    ++g_creations;
    static int object;
    return &object;
}

CTypeManager& Registry() {
    return CTypeManager::GetInstance();
}

TEST(RuntimeClassInfo, NameIsCutAt63CharactersAndZeroFilled) {
    char shortName[] = "Reg_Fresh";  // the exported char* constructor
    const CRuntimeClassInfo fresh(shortName);
    const char expected[64] = "Reg_Fresh";  // zero-filled to the end
    const CRuntimeClassInfo* const noParents[4] = {};
    EXPECT_EQ(std::memcmp(fresh.m_className, expected, 64), 0);
    EXPECT_EQ(std::memcmp(fresh.m_parentClasses, noParents, sizeof noParents), 0);
    EXPECT_FALSE(fresh.m_isInitialized);
    EXPECT_EQ(fresh.CreateObject(), nullptr);
    EXPECT_EQ(CRuntimeClassInfo(static_cast<const char*>(nullptr)).m_className[0], '\0');

    const std::string name70 = "Reg_Long_" + std::string(61, 'x');
    CRuntimeClassInfo info(name70.c_str());
    EXPECT_EQ(std::string(info.m_className), name70.substr(0, 63));
    info.SetIsInitialized();
    EXPECT_EQ(Registry().FindClassByName(name70.substr(0, 63).c_str()), &info);
    EXPECT_EQ(Registry().FindClassByName(name70.c_str()), nullptr);
    EXPECT_EQ(Registry().FindClassByName(name70.substr(0, 62).c_str()), nullptr);
}

TEST(TypeManager, NamesAreExactCaseSensitiveKeysAndTheFirstRegistrationWins) {
    CRuntimeClassInfo first("Reg_Case"), second("Reg_Case"), lower("Reg_case"), empty("");
    for (CRuntimeClassInfo* info : {&first, &first, &second, &lower, &empty}) {
        info->SetIsInitialized();
        EXPECT_TRUE(info->m_isInitialized);
    }
    EXPECT_EQ(Registry().FindClassByName("Reg_Case"), &first);
    EXPECT_EQ(Registry().FindClassByName("Reg_case"), &lower);
    EXPECT_EQ(Registry().FindClassByName(""), &empty);
    EXPECT_EQ(Registry().FindClassByName("Reg_Cas"), nullptr);    // a proper prefix
    EXPECT_EQ(Registry().FindClassByName("Reg_Cases"), nullptr);  // a longer name
    EXPECT_EQ(Registry().FindClassByName(nullptr), nullptr);
    // Same name, different descriptors: different types.
    EXPECT_FALSE(first.IsTypeOf(second));
    EXPECT_FALSE(second.IsTypeOf(first));
}

TEST(TypeManager, CreateObjectByNameCallsOnlyAKnownCreationFunction) {
    CRuntimeClassInfo creatable("Reg_Creatable");
    CRuntimeClassInfo plain("Reg_NotCreatable");
    creatable.SetIsInitialized();  // the function may be filled after publishing
    creatable.m_pfnCreateObject = &CountingCreate;
    plain.SetIsInitialized();

    g_creations = 0;
    EXPECT_EQ(Registry().CreateObjectByName("Reg_Unknown"), nullptr);
    EXPECT_EQ(Registry().CreateObjectByName("Reg_NotCreatable"), nullptr);
    EXPECT_EQ(g_creations, 0);
    EXPECT_EQ(Registry().CreateObjectByName("Reg_Creatable"), CountingCreate());
    EXPECT_EQ(g_creations, 2);
}

// Hierarchy:  A <- B <- C,  D <- E,  F has parents (C, E),  G has five parents, the fifth X.
TEST(RuntimeClassInfo, IsTypeOfSearchesEveryFilledParentSlotByAddress) {
    CRuntimeClassInfo a("A"), b("B"), c("C"), d("D"), e("E"), f("F"), g("G"), x("X");
    b.RegisterParentClass(a);
    c.RegisterParentClass(b);
    e.RegisterParentClass(d);
    f.RegisterParentClass(c);
    f.RegisterParentClass(e);
    for (const CRuntimeClassInfo* parent : {&a, &b, &d, &e, &x}) {
        g.RegisterParentClass(*parent);
    }
    EXPECT_EQ(g.m_parentClasses[3], &e);  // the fifth call changed nothing

    struct sCase_t {
        const CRuntimeClassInfo& info;
        const CRuntimeClassInfo& target;
        bool expected;
    };
    const sCase_t cases[] = {
        {c, a, true},  {c, c, true}, {a, c, false}, {f, a, true}, {f, b, true},
        {f, d, true},  {f, e, true}, {e, a, false}, {f, f, true}, {g, d, true},
        {g, x, false}, {x, x, true}, {a, b, false},
    };
    for (const sCase_t& test : cases) {
        EXPECT_EQ(test.info.IsTypeOf(test.target), test.expected)
            << test.info.m_className << " of " << test.target.m_className;
    }
}

// The declaration helper, used as an application would.
class CRegAnimal {
  public:
    VESK_DECLARE_RUNTIME_CLASS();
    virtual ~CRegAnimal() = default;
    virtual int Legs() const = 0;
};
class CRegSwimmer {
  public:
    VESK_DECLARE_RUNTIME_CLASS();
    virtual ~CRegSwimmer() = default;
};
class CRegFrog : public CRegAnimal, public CRegSwimmer {
  public:
    VESK_DECLARE_RUNTIME_CLASS();
    int Legs() const override { return 4; }
};

}  // namespace

VESK_IMPLEMENT_RUNTIME_CLASS(CRegAnimal);
VESK_IMPLEMENT_RUNTIME_CLASS(CRegSwimmer);
VESK_IMPLEMENT_RUNTIME_CLASS(CRegFrog, CRegAnimal, CRegSwimmer);

namespace {

TEST(RuntimeClassHelper, PublishesNameCreationFunctionAndParents) {
    EXPECT_EQ(Registry().FindClassByName("CRegFrog"), &CRegFrog::m_runtimeClassInfo);
    EXPECT_TRUE(CRegFrog::m_runtimeClassInfo.m_isInitialized);
    EXPECT_TRUE(CRegFrog::m_runtimeClassInfo.IsTypeOf(CRegAnimal::m_runtimeClassInfo));
    EXPECT_TRUE(CRegFrog::m_runtimeClassInfo.IsTypeOf(CRegSwimmer::m_runtimeClassInfo));
    EXPECT_FALSE(CRegAnimal::m_runtimeClassInfo.IsTypeOf(CRegFrog::m_runtimeClassInfo));

    // An abstract class gets no creation function; a concrete one creates its own type.
    EXPECT_EQ(Registry().CreateObjectByName("CRegAnimal"), nullptr);
    CRegFrog* frog = static_cast<CRegFrog*>(Registry().CreateObjectByName("CRegFrog"));
    ASSERT_NE(frog, nullptr);
    EXPECT_EQ(frog->Legs(), 4);
    delete frog;
}

}  // namespace
