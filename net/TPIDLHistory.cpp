#include "net/TPIDLHistory.h"

void TPIDLHistory::Add(const QString& id) {
    if (!items_.isEmpty()) {
        items_.resize(index_ + 1);
        ++index_;
    }
    items_.append(id);
}

void TPIDLHistory::AddCopy(const QString& id) {
    if (!id.isEmpty())
        Add(id);
}

std::optional<QString> TPIDLHistory::Back(int n) {
    if (!CanGoBack(n))
        return std::nullopt;
    index_ -= n;
    return items_.at(index_);
}

std::optional<QString> TPIDLHistory::Forward(int n) {
    if (!CanGoForward(n))
        return std::nullopt;
    index_ += n;
    return items_.at(index_);
}

void TPIDLHistory::Clear() {
    items_.clear();
    index_ = 0;
}
