// The HTML walker on any text: the walk ends at the text's end, its scanning position never moves
// back, and every position and piece it reports lies inside the walked text.
#include "htmltools/THTMLWalk.h"

#include <cstdint>
#include <cstdlib>

namespace {

class TCheckedWalk : public THTMLWalk {
public:
    void Check() const {
        const QStringView source = Source();
        if (TokenStart < 0 || TokenStart > Current || Current > source.size() || TagPos < 0 ||
            TagPos > source.size() || Current < last_)
            std::abort();
        last_ = Current;
        for (const QStringView piece : {TagName, AttrName, AttrValue, TextRun})
            CheckInside(piece, source);
    }

protected:
    void DoTag() override { Check(); }
    void DoTagBegin() override { Check(); }
    void DoTagEnd() override { Check(); }
    void DoTextBegin() override { Check(); }
    void DoText() override { Check(); }
    void DoAttributeBegin() override { Check(); }
    void DoAttributeName() override { Check(); }
    void DoAttributeValue() override { Check(); }
    void DoAttributeEnd() override { Check(); }

private:
    mutable qsizetype last_ = 0;

    static void CheckInside(QStringView piece, QStringView source) {
        if (piece.isEmpty())
            return;
        const QChar* begin = source.data();
        if (piece.data() < begin || piece.data() + piece.size() > begin + source.size())
            std::abort();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    TCheckedWalk walk;
    walk.Walk(text);
    if (walk.Current != text.size())
        std::abort();
    return 0;
}
