#include "foundation/string_collection.h"

#include <cstring>

char* NewStr(const char* text) {
    if (text == nullptr) {
        return nullptr;
    }
    const std::size_t size = std::strlen(text) + 1;
    char* copy = new char[size];
    std::memcpy(copy, text, size);
    return copy;
}

int StringCollection::Compare(void* key1, void* key2) {
    const auto* left = static_cast<const unsigned char*>(key1);
    const auto* right = static_cast<const unsigned char*>(key2);
    while (*left == *right && *left != 0) {
        ++left;
        ++right;
    }
    return static_cast<int>(*left) - static_cast<int>(*right);
}

void StringCollection::FreeItem(void* item) {
    delete[] static_cast<char*>(item);
}
