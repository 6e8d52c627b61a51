#pragma once
// The process-wide table from ZIP method number to the streams that encode and decode it.

#include <functional>
#include <memory>

#include "zip/Stream.h"
#include "zip/ZipHeaders.h"

class TZipFile;

// Makes a new stream over InStream that the caller owns. ZipFile and Item (on reading, the
// entry's local header) are passed to every constructor; the built-in ones use only InStream.
using TStreamConstructor =
    std::function<std::unique_ptr<TStream>(TStream& InStream, TZipFile& ZipFile, const TZipHeader& Item)>;

// Stores the pair under Compression, replacing any pair already there.
void RegisterCompressionHandler(TZipCompression Compression, TStreamConstructor CompressStream,
                                TStreamConstructor DecompressStream);

// Registers method 0 (stored), then method 8 (deflate). The table runs it when it is first
// used, so every program and test has both before any package is read; calling it again
// restores the two after a test replaced one.
void RegisterStandardCompressionHandlers();

// The decoder for a method number; EListError "Item not found" when none is registered.
const TStreamConstructor& DecompressionHandler(std::uint8_t Method);
