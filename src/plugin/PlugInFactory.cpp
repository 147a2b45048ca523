// The one symbol the plug-in library exports. The preview path is not wired
// yet: the factory answers no instance, which the host reports as a failure.
extern "C" __attribute__((visibility("default"))) void* QuickLookGeneratorPluginFactory(void* allocator,
                                                                                      const void* typeID) {
  (void)allocator;
  (void)typeID;
  return nullptr;
}
