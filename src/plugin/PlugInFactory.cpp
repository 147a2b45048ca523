// The plug-in library's entry: the factory the preview service calls, and the
// instance it hands back. Only the factory leaves the library.
#include <cstdlib>

#include "platform/QLGenerator.h"
#include "plugin/GenerateurApercu.h"

namespace {

// One per factory call: its own copy of the interface table, the factory's
// identifier, and the reference count.
struct GeneratorInstance {
  QLGeneratorInterface* conduitInterface;
  QLUUID* factoryID;
  uint32_t refCount;
};

int32_t QuickLookGeneratorQueryInterface(void* thisInstance, QLUUID iid, void** ppv);
uint32_t QuickLookGeneratorPluginAddRef(void* thisInstance);
uint32_t QuickLookGeneratorPluginRelease(void* thisInstance);

const QLGeneratorInterface myInterfaceFtbl = {
    nullptr,
    QuickLookGeneratorQueryInterface,
    QuickLookGeneratorPluginAddRef,
    QuickLookGeneratorPluginRelease,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

constexpr const char* kFactoryUUID = "7B3E19C4-2F6A-4E85-9D10-C6A4E2B85F37";

int32_t QuickLookGeneratorQueryInterface(void* thisInstance, QLUUID iid, void** ppv) {
  QLUUID callbacks;
  QLUUIDFromString(kQLGeneratorCallbacksInterfaceID, &callbacks);
  auto* instance = static_cast<GeneratorInstance*>(thisInstance);
  if (instance && iid == callbacks) {
    instance->conduitInterface->GenerateThumbnailForURL = GenerateThumbnailForURL;
    instance->conduitInterface->CancelThumbnailGeneration = CancelThumbnailGeneration;
    instance->conduitInterface->GeneratePreviewForURL = GeneratePreviewForURL;
    instance->conduitInterface->CancelPreviewGeneration = CancelPreviewGeneration;
    instance->conduitInterface->AddRef(instance);
    if (ppv) *ppv = instance;
    return 0;
  }
  if (ppv) *ppv = nullptr;
  return kQLNoInterface;
}

uint32_t QuickLookGeneratorPluginAddRef(void* thisInstance) {
  auto* instance = static_cast<GeneratorInstance*>(thisInstance);
  return ++instance->refCount;
}

uint32_t QuickLookGeneratorPluginRelease(void* thisInstance) {
  auto* instance = static_cast<GeneratorInstance*>(thisInstance);
  if (instance->refCount == 1) {
    QLUUID* factoryID = instance->factoryID;
    std::free(instance->conduitInterface);
    std::free(instance);
    if (factoryID) {
      CFPlugInRemoveInstanceForFactory(factoryID);
      std::free(factoryID);
    }
    return 0;
  }
  return --instance->refCount;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void* QuickLookGeneratorPluginFactory(void* allocator,
                                                                                        const QLUUID* typeID) {
  (void)allocator;
  QLUUID generator;
  QLUUIDFromString(kQLGeneratorTypeID, &generator);
  if (!typeID || !(*typeID == generator)) return nullptr;
  auto* factoryID = static_cast<QLUUID*>(std::malloc(sizeof(QLUUID)));
  auto* instance = static_cast<GeneratorInstance*>(std::malloc(sizeof(GeneratorInstance)));
  auto* table = static_cast<QLGeneratorInterface*>(std::malloc(sizeof(QLGeneratorInterface)));
  if (!factoryID || !instance || !table) {
    std::free(factoryID);
    std::free(instance);
    std::free(table);
    return nullptr;
  }
  QLUUIDFromString(kFactoryUUID, factoryID);
  *table = myInterfaceFtbl;
  instance->conduitInterface = table;
  instance->factoryID = factoryID;
  CFPlugInAddInstanceForFactory(factoryID);
  instance->refCount = 1;
  return instance;
}
