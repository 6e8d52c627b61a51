#pragma once
// What files and folders dropped on the queue (or named on the window's command line) add to it.

#include <string>
#include <vector>

struct TDroppedDocuments {
    // In the order dropped; a searched folder's finds in listing order.
    std::vector<std::wstring> Documents;
    // Dropped items that were not documents and held none.
    int Ignored = 0;
};

// A ".pages" file or folder (a document bundle) is a document; any other folder is searched, with its
// sub-folders, for documents; anything else is ignored. A dropped link is followed, but links met inside
// a searched folder are not, so a search always ends.
TDroppedDocuments CollectDroppedDocuments(const std::vector<std::wstring>& items);

// Where the items came from: dropped on the window, or named on the program's command line.
enum class TItemsSource { isDropped, isCommandLine };

// The footer's note on ignored items; empty when there were none.
std::wstring DroppedItemsNote(int ignored, TItemsSource source = TItemsSource::isDropped);
