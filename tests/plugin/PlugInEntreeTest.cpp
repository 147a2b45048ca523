// The plug-in library as the preview service sees it: loaded from the bundle,
// one exported factory, and the instance's interface table.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "platform/QLGenerator.h"
#include "support/TestPaths.h"

namespace {

class Entree : public ::testing::Test {
 protected:
  void* bibliotheque = nullptr;
  QLPluginFactoryProc fabrique = nullptr;
  void SetUp() override {
    bibliotheque = dlopen((tamrel_test::BundlePath() + "/TamrelQL.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(bibliotheque, nullptr) << dlerror();
    fabrique = reinterpret_cast<QLPluginFactoryProc>(dlsym(bibliotheque, kQLFactoryName));
    ASSERT_NE(fabrique, nullptr);
  }
  // The library stays loaded: its exit handler runs at process end.
  static QLUUID UUID(const char* s) {
    QLUUID u{};
    EXPECT_TRUE(QLUUIDFromString(s, &u));
    return u;
  }
  static QLGeneratorInterface* Table(void* instance) { return *static_cast<QLGeneratorInterface**>(instance); }
};

}  // namespace

TEST_F(Entree, OnlyTheFactoryIsExported) {
  for (const char* cache : {"GeneratePreviewForURL", "LoadDocument", "DetermineFormatFichier", "NewHandle",
                            "_Z21GeneratePreviewForURLPvP9QLRequestPKcS3_PKv"})
    EXPECT_EQ(dlsym(bibliotheque, cache), nullptr) << cache;
}

TEST_F(Entree, FactoryAnswersOnlyTheGeneratorType) {
  const QLUUID autre = UUID("5E2D9680-5022-40FA-B806-43349622E5BA");
  EXPECT_EQ(fabrique(nullptr, &autre), nullptr);
  EXPECT_EQ(fabrique(nullptr, nullptr), nullptr);
  const QLUUID type = UUID(kQLGeneratorTypeID);
  void* instance = fabrique(nullptr, &type);
  ASSERT_NE(instance, nullptr);
  QLGeneratorInterface* t = Table(instance);
  EXPECT_EQ(t->reserved, nullptr);
  // The callbacks stay empty until asked for.
  EXPECT_EQ(t->GeneratePreviewForURL, nullptr);
  EXPECT_EQ(t->GenerateThumbnailForURL, nullptr);
  EXPECT_EQ(t->Release(instance), 0u);
}

TEST_F(Entree, QueryInterfaceRefusesEverythingButTheCallbacks) {
  const QLUUID type = UUID(kQLGeneratorTypeID);
  void* instance = fabrique(nullptr, &type);
  ASSERT_NE(instance, nullptr);
  QLGeneratorInterface* t = Table(instance);
  for (const char* iid : {kQLUnknownInterfaceID, kQLGeneratorTypeID, "865AF5E0-6D30-4345-951B-D37105754F2E"}) {
    void* sortie = reinterpret_cast<void*>(1);
    EXPECT_EQ(t->QueryInterface(instance, UUID(iid), &sortie), kQLNoInterface) << iid;
    EXPECT_EQ(sortie, nullptr);
  }
  // Refusals leave the count at 1.
  EXPECT_EQ(t->AddRef(instance), 2u);
  EXPECT_EQ(t->Release(instance), 1u);

  void* sortie = nullptr;
  EXPECT_EQ(t->QueryInterface(instance, UUID(kQLGeneratorCallbacksInterfaceID), &sortie), 0);
  EXPECT_EQ(sortie, instance);
  EXPECT_NE(t->GenerateThumbnailForURL, nullptr);
  EXPECT_NE(t->CancelThumbnailGeneration, nullptr);
  EXPECT_NE(t->GeneratePreviewForURL, nullptr);
  EXPECT_NE(t->CancelPreviewGeneration, nullptr);
  // The accepted interface took a reference: a count of 2 releases to 1 and
  // frees nothing (the table is still readable), then to 0.
  EXPECT_EQ(t->Release(instance), 1u);
  EXPECT_NE(t->QueryInterface, nullptr);
  EXPECT_EQ(t->Release(instance), 0u);
}

TEST_F(Entree, EachInstanceHasItsOwnTable) {
  const QLUUID type = UUID(kQLGeneratorTypeID);
  void* a = fabrique(nullptr, &type);
  void* b = fabrique(nullptr, &type);
  ASSERT_TRUE(a && b);
  EXPECT_NE(Table(a), Table(b));
  void* sortie = nullptr;
  Table(a)->QueryInterface(a, UUID(kQLGeneratorCallbacksInterfaceID), &sortie);
  EXPECT_NE(Table(a)->GeneratePreviewForURL, nullptr);
  EXPECT_EQ(Table(b)->GeneratePreviewForURL, nullptr);
  Table(a)->Release(a);
  Table(a)->Release(a);
  Table(b)->Release(b);
}

TEST(UUID, ParsesOnlyWellFormedIdentifiers) {
  QLUUID u;
  EXPECT_TRUE(QLUUIDFromString("5e2d9680-5022-40fa-b806-43349622e5b9", &u));
  EXPECT_EQ(u.bytes[0], 0x5E);
  EXPECT_EQ(u.bytes[15], 0xB9);
  for (const char* faux :
       {"", "5E2D9680", "5E2D9680-5022-40FA-B806-43349622E5B9AA", "5E2D9680-5022-40FA-B806-43349622E5BZ"})
    EXPECT_FALSE(QLUUIDFromString(faux, &u)) << faux;
}
