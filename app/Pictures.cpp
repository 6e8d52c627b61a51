// The artwork of Image1, Image2, Image3 and the buttons' pictures, decoded from the program's resources.
#include "app/Pictures.h"

#include <wincodec.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

TBitmapOwner DibFromPixels(int width, int height, const void* pixels) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    TBitmapOwner dib(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (dib && pixels) std::memcpy(bits, pixels, static_cast<std::size_t>(width) * height * 4);
    return dib;
}

std::vector<std::uint32_t> ReadPixels(HBITMAP bitmap, SIZE size) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size.cx) * size.cy);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = size.cx;
    bi.bmiHeader.biHeight = -size.cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    TWindowDC screen(nullptr);
    ::GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(size.cy), pixels.data(), &bi, DIB_RGB_COLORS);
    return pixels;
}

}  // namespace

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP bm{};
    if (!bitmap || !::GetObjectW(bitmap, sizeof(bm), &bm)) return SIZE{0, 0};
    return SIZE{bm.bmWidth, bm.bmHeight};
}

TBitmapOwner LoadPicture(const wchar_t* resourceName) {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC info = ::FindResourceW(module, resourceName, MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (!info) return {};
    HGLOBAL loaded = ::LoadResource(module, info);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    const DWORD size = ::SizeofResource(module, info);
    if (!data || !size) return {};

    TComPtr<IWICImagingFactory> factory;
    if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  factory.put_void())))
        return {};
    TComPtr<IWICStream> stream;
    TComPtr<IWICBitmapDecoder> decoder;
    TComPtr<IWICBitmapFrameDecode> frame;
    TComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)), size)) ||
        FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put())) || FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return {};
    UINT width = 0, height = 0;
    if (FAILED(converter->GetSize(&width, &height)) || !width || !height) return {};
    std::vector<BYTE> pixels(static_cast<std::size_t>(width) * height * 4);
    if (FAILED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size()), pixels.data()))) return {};
    return DibFromPixels(static_cast<int>(width), static_cast<int>(height), pixels.data());
}

TBitmapOwner LoadButtonBitmap(const wchar_t* resourceName) {
    return TBitmapOwner(static_cast<HBITMAP>(
        ::LoadImageW(::GetModuleHandleW(nullptr), resourceName, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

TBitmapOwner MakeGreyed(HBITMAP source, COLORREF transparent) {
    const SIZE size = BitmapSize(source);
    if (!size.cx || !size.cy) return {};
    std::vector<std::uint32_t> pixels = ReadPixels(source, size);
    const std::uint32_t key = (GetRValue(transparent) << 16) | (GetGValue(transparent) << 8) | GetBValue(transparent);
    for (std::uint32_t& p : pixels) {
        if ((p & 0xFFFFFF) == key) continue;
        const unsigned r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        // Luminance, washed out towards white, so the picture reads as unavailable.
        const unsigned y = (r * 77 + g * 150 + b * 29) >> 8;
        const unsigned grey = 128 + y / 2;
        p = (grey << 16) | (grey << 8) | grey;
    }
    return DibFromPixels(size.cx, size.cy, pixels.data());
}
