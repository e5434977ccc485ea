// SPDX-License-Identifier: Apache-2.0
// The class registry and reference counting: objects created from their class names, derivation
// tests, and counted objects shared through smart pointers.
#include <vesk/perfcounter.h>
#include <vesk/refcount.h>
#include <vesk/typemanager.h>

#include <cstdio>

#include "examplecheck.h"

namespace {

void ParseInput() {}  // the work being timed

}  // namespace

// snippet: declare-classes
class CShape {
  public:
    VESK_DECLARE_RUNTIME_CLASS();  // declares CShape::m_runtimeClassInfo; leaves access public
    virtual ~CShape() = default;
    virtual double Area() const = 0;
};

class CSquare : public CShape {
  public:
    VESK_DECLARE_RUNTIME_CLASS();
    double Area() const override { return 4.0; }
};

// Once per class, in one source file, at namespace scope; parents in search order.
VESK_IMPLEMENT_RUNTIME_CLASS(CShape);
VESK_IMPLEMENT_RUNTIME_CLASS(CSquare, CShape);
// end-snippet

// snippet: counted-class
class CDocument : public Vesk::CRefCount_Base {
  public:
    explicit CDocument(bool* destroyed) : m_destroyed(destroyed) {}
    ~CDocument() override { *m_destroyed = true; }

  private:
    bool* m_destroyed;
};
// end-snippet

int main() {
    // snippet: create-by-name
    Vesk::CTypeManager& registry = Vesk::CTypeManager::GetInstance();
    void* object = registry.CreateObjectByName("CSquare");  // null for an unknown name
    CShape* shape = static_cast<CSquare*>(object);          // cast to the class it names
    const bool isShape = CSquare::m_runtimeClassInfo.IsTypeOf(CShape::m_runtimeClassInfo);
    const double area = shape != nullptr ? shape->Area() : 0.0;
    delete shape;  // the caller owns what CreateObjectByName returns
    // end-snippet
    Example::Check(area == 4.0 && isShape, "created by name, derivation known");
    Example::Check(registry.CreateObjectByName("CShape") == nullptr,
                   "abstract class: no creation function");

    // snippet: refcount
    bool destroyed = false;
    {
        Vesk::CRefCountPtr<CDocument> first(new CDocument(&destroyed));  // count 1
        Vesk::CRefCountPtr<CDocument> second = first;                    // count 2
        first.reset();                                                   // count 1
    }  // the last release deletes the document
    // end-snippet
    Example::Check(destroyed, "the last release deletes");

    // snippet: atomic-ref
    Vesk::CAtomicInt count(0);
    const bool afterRef = count.ref();      // true: the new value 1 is non-zero
    const bool afterDeref = count.deref();  // false: the new value is 0 (not the old value!)
    // end-snippet
    Example::Check(afterRef && !afterDeref, "ref/deref tell whether the new value is non-zero");

    // snippet: profile
    Vesk::CRefCountPtr<Vesk::CPerformanceCounter> parse =
        Vesk::CPerformanceCounter::GetCounter("parse");
    {
        Vesk::CPerformanceCounter::CScopeTimer timer(*parse);  // one pass: this block
        ParseInput();
    }
    parse->AddSample(1500000);                      // one more pass of 1.5 ms, measured elsewhere
    Vesk::CPerformanceCounter::SaveReport(stdout);  // or SaveReport("profile.txt", /*append=*/true)
    // end-snippet
    Example::Check(parse->m_hitCount == 2, "two passes counted");
    return Example::Result();
}
