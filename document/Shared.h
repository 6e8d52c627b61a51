#pragma once
// A value many parts of the model name and few change: every paragraph of a long document has
// one of a handful of styles, every run one of a few dozen. Each copy of a TShared names the one
// value; a change through Edit() first takes a copy of its own when others share it, so a change
// never reaches another holder. Reading is through * and ->, or a const reference.

#include <memory>
#include <utility>

namespace doc {

template <class T>
class TShared {
public:
    // T's defaults, one value for the whole process: a default run or paragraph costs no allocation.
    TShared() : FValue(Defaults()) {}
    TShared(T value) : FValue(std::make_shared<T>(std::move(value))) {}  // NOLINT: a value converts

    const T& operator*() const { return *FValue; }
    const T* operator->() const { return FValue.get(); }
    operator const T&() const { return *FValue; }  // NOLINT: reads as the value itself

    // The value to change, no longer shared with any other holder.
    T& Edit() {
        // The defaults are always held by Defaults() too, so they are never changed in place.
        if (FValue.use_count() != 1) FValue = std::make_shared<T>(*FValue);
        return *FValue;
    }

    friend bool operator==(const TShared& a, const TShared& b) { return a.FValue == b.FValue || *a.FValue == *b.FValue; }
    friend bool operator==(const TShared& a, const T& b) { return *a.FValue == b; }

private:
    static const std::shared_ptr<T>& Defaults() {
        static const std::shared_ptr<T> defaults = std::make_shared<T>();
        return defaults;
    }

    std::shared_ptr<T> FValue;
};

}  // namespace doc
