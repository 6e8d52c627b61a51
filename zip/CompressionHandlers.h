#pragma once
// The process-wide table from ZIP method number to the stream that decodes it. Only decoding:
// nothing writes packages, so there are no encoders to register.

#include <functional>
#include <memory>

#include "zip/Stream.h"
#include "zip/ZipHeaders.h"

class TZipFile;

// Makes a new stream over InStream that the caller owns. ZipFile and Item (the entry's local
// header) are passed to every constructor; the built-in ones use only InStream.
using TStreamConstructor =
    std::function<std::unique_ptr<TStream>(TStream& InStream, TZipFile& ZipFile, const TZipHeader& Item)>;

// Registers method 0 (stored), then method 8 (deflate), over whatever those two hold. The table
// runs it when it is first used, so every program and test has both before any package is read.
void RegisterStandardCompressionHandlers();

// The decoder for a method number; EListError "Item not found" when none is registered.
const TStreamConstructor& DecompressionHandler(std::uint8_t Method);
