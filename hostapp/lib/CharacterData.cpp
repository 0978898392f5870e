#include "host/CharacterData.h"

CharacterData::CharacterData(Type type, Document* owner, const std::wstring& data)
    : Node(type, owner), data_(data) {}

CharacterData::~CharacterData() = default;

std::wstring CharacterData::getData() const { return data_; }

void CharacterData::setData(const std::wstring& text) {
    if (text == data_ && !subtreeChanged())
        return;
    data_ = text;
    markChanged();
}
