#pragma once
// Collection Manager stand-in: keyed collections of items, each item a block
// of bytes filed under a tag and an id. Adding an item with the tag and id of
// an existing one replaces it (keeping its place in the order of addition).
//
// A collection is a relocatable block holding its items one after another, so
// a record that keeps one in a handle field frees it like any other handle
// (DisposeCollection and DisposeHandle are the same).
#include "platform/PlatformTypes.h"

typedef Handle Collection;
typedef FourCharCode CollectionTag;

enum : OSErr {
  collectionItemNotFoundErr = -5752,
};

Collection NewCollection();
void DisposeCollection(Collection c);  // null ignored

OSErr AddCollectionItem(Collection c, CollectionTag tag, int32_t id, int32_t itemSize, const void* itemData);

// *itemSize gives on input how many bytes itemData can take (nothing is copied
// when itemData or itemSize is null) and receives the item's full size.
OSErr GetCollectionItem(Collection c, CollectionTag tag, int32_t id, int32_t* itemSize, void* itemData);

int32_t CountCollectionItems(Collection c);  // 0 for null
