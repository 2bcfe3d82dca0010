// EMF and WMF records through libUEMF.
#include "reports/MetafileWriter.h"

#include <QFontInfo>
#include <QFontMetrics>

#include <uemf.h>
#include <uwmf.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace {

// Logical units per inch: one unit is one pixel of the screen picture.
constexpr int UnitsPerInch = 96;

// Little here fails: the metafile is built in memory, so a failure is
// memory running out, kept (the first only) for Finish to give back. A call
// out of order is the program's error, and throws.
void Fail(TStatus& status, const char* what) {
    if (status)
        status = Refusal(std::string("The metafile could not be written: ") + what);
}

U_COLORREF ColorRef(const QColor& c) {
    return colorref3_set(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
                         static_cast<uint8_t>(c.blue()));
}

U_POINT16 Point16(const QPoint& p) {
    return point16_set(static_cast<int16_t>(p.x()), static_cast<int16_t>(p.y()));
}

// GDI's box: left, top, and the right and bottom edges just outside.
U_RECTL Box32(const QRect& r) {
    return rectl_set(pointl_set(r.left(), r.top()),
                     pointl_set(r.left() + r.width(), r.top() + r.height()));
}

U_RECT16 Box16(const QRect& r) {
    return U_RECT16_set(Point16(r.topLeft()),
                        Point16(QPoint(r.left() + r.width(), r.top() + r.height())));
}

} // namespace

struct TMetafileWriter::TState {
    TKind Kind = TKind::Emf;
    QSize Size;
    QFont Font;
    QFontMetrics Metrics{QFont()};
    EMFTRACK* Emf = nullptr;
    EMFHANDLES* EmfHandles = nullptr;
    WMFTRACK* Wmf = nullptr;
    WMFHANDLES* WmfHandles = nullptr;
    std::uint32_t Pen = 0;
    std::uint32_t Brush = 0;
    std::uint32_t FontHandle = 0;
    // The brush selected: solid or null; none before the first.
    std::uint32_t BrushStyle = ~0u;
    bool Finished = false;
    TStatus Status;
};

TMetafileWriter::TMetafileWriter(TKind kind, const QSize& size, const QFont& font)
    : State(std::make_unique<TState>()) {
    TState& s = *State;
    s.Kind = kind;
    // WMF co-ordinates are 16-bit.
    s.Size = size.boundedTo(QSize(32767, 32767)).expandedTo(QSize(1, 1));
    s.Font = font;
    s.Metrics = QFontMetrics(font);
    const int w = s.Size.width();
    const int h = s.Size.height();
    // libUEMF writes to a file at the end; the bytes are taken from its
    // buffer instead, so that the caller decides where they go and sees
    // every failure to write them.
    if (kind == TKind::Emf) {
        if (emf_start("/dev/null", 1 << 16, 1 << 16, &s.Emf) != 0 ||
            emf_htable_create(128, 128, &s.EmfHandles) != 0) {
            Fail(s.Status, "libUEMF did not start");
            return;
        }
        // The program and the picture, each ended by a zero, and one more.
        const char16_t text[] = u"Quillmere\0Pie chart\0";
        std::vector<uint16_t> description(std::begin(text), std::end(text));
        const U_RECTL bounds = rectl_set(pointl_set(0, 0), pointl_set(w - 1, h - 1));
        // The frame is in hundredths of a millimetre.
        const U_RECTL frame = rectl_set(
            pointl_set(0, 0), pointl_set(w * 2540 / UnitsPerInch, h * 2540 / UnitsPerInch));
        Append(U_EMRHEADER_set(
            bounds, frame, nullptr, static_cast<U_CBSTR>(description.size()), description.data(),
            sizel_set(w, h),
            sizel_set(w * 254 / (UnitsPerInch * 10), h * 254 / (UnitsPerInch * 10)), 0));
        Append(U_EMRSETMAPMODE_set(U_MM_TEXT));
        Append(U_EMRSETBKMODE_set(U_TRANSPARENT));
        Append(U_EMRSETTEXTALIGN_set(U_TA_TOP | U_TA_LEFT));
        std::vector<uint16_t> face(32, 0);
        const QString family = QFontInfo(font).family().left(31);
        std::copy(family.utf16(), family.utf16() + family.size(), face.begin());
        const U_LOGFONT logFont =
            logfont_set(-QFontInfo(font).pixelSize(), 0, 0, 0, U_FW_NORMAL, 0, 0, 0,
                        U_DEFAULT_CHARSET, U_OUT_DEFAULT_PRECIS, U_CLIP_DEFAULT_PRECIS,
                        U_DEFAULT_QUALITY, U_DEFAULT_PITCH | U_FF_DONTCARE, face.data());
        std::uint32_t created = 0;
        char* create = extcreatefontindirectw_set(&created, s.EmfHandles,
                                                  reinterpret_cast<const char*>(&logFont), nullptr);
        Replace(s.FontHandle, created, create);
    } else {
        if (wmf_start("/dev/null", 1 << 16, 1 << 16, &s.Wmf) != 0 ||
            wmf_htable_create(128, 128, &s.WmfHandles) != 0) {
            Fail(s.Status, "libUEMF did not start");
            return;
        }
        U_PAIRF inches{float(w) / UnitsPerInch, float(h) / UnitsPerInch};
        char* header = U_WMRHEADER_set(&inches, UnitsPerInch);
        if (!header ||
            wmf_header_append(reinterpret_cast<U_METARECORD*>(header), s.Wmf, U_REC_FREE) != 0) {
            Fail(s.Status, "no header");
            return;
        }
        Append(U_WMRSETWINDOWORG_set(point16_set(0, 0)));
        Append(
            U_WMRSETWINDOWEXT_set(point16_set(static_cast<int16_t>(w), static_cast<int16_t>(h))));
        Append(U_WMRSETBKMODE_set(U_TRANSPARENT));
        Append(U_WMRSETTEXTALIGN_set(U_TA_TOP | U_TA_LEFT));
        QByteArray face = QFontInfo(font).family().toLatin1().left(31);
        U_FONT* logFont =
            U_FONT_set(static_cast<int16_t>(-QFontInfo(font).pixelSize()), 0, 0, 0, U_FW_NORMAL, 0,
                       0, 0, U_ANSI_CHARSET, U_OUT_DEFAULT_PRECIS, U_CLIP_DEFAULT_PRECIS,
                       U_DEFAULT_QUALITY, U_DEFAULT_PITCH | U_FF_DONTCARE, face.data());
        std::uint32_t created = 0;
        char* create = wcreatefontindirect_set(&created, s.WmfHandles, logFont);
        std::free(logFont);
        Replace(s.FontHandle, created, create);
    }
    SetPen(Qt::black);
    SetBrush(Qt::white);
}

TMetafileWriter::~TMetafileWriter() {
    TState& s = *State;
    if (s.Emf)
        emf_free(&s.Emf);
    if (s.EmfHandles)
        emf_htable_free(&s.EmfHandles);
    if (s.Wmf)
        wmf_free(&s.Wmf);
    if (s.WmfHandles)
        wmf_htable_free(&s.WmfHandles);
}

void TMetafileWriter::Append(char* record) {
    TState& s = *State;
    if (s.Finished) {
        std::free(record);
        throw std::logic_error("a metafile drawn on after its end");
    }
    if (!s.Status) {
        std::free(record); // nothing more is drawn after a failure
        return;
    }
    if (!record) {
        Fail(s.Status, "a record could not be made");
        return;
    }
    const int failed =
        s.Kind == TKind::Emf
            ? emf_append(reinterpret_cast<U_ENHMETARECORD*>(record), s.Emf, U_REC_FREE)
            : wmf_append(reinterpret_cast<U_METARECORD*>(record), s.Wmf, U_REC_FREE);
    if (failed)
        Fail(s.Status, "out of memory");
}

void TMetafileWriter::Replace(std::uint32_t& slot, std::uint32_t created, char* create) {
    // The object before stays selected until the new one replaces it; only
    // then may it be deleted.
    TState& s = *State;
    Append(create);
    std::uint32_t old = slot;
    if (s.Kind == TKind::Emf) {
        Append(selectobject_set(created, s.EmfHandles));
        if (old)
            Append(deleteobject_set(&old, s.EmfHandles));
    } else {
        Append(wselectobject_set(created, s.WmfHandles));
        if (old)
            Append(wdeleteobject_set(&old, s.WmfHandles));
    }
    slot = created;
}

void TMetafileWriter::SetPen(const QColor& color) {
    TState& s = *State;
    if (!s.Status)
        return;
    std::uint32_t created = 0;
    char* create = s.Kind == TKind::Emf
                       ? createpen_set(&created, s.EmfHandles,
                                       logpen_set(U_PS_SOLID, point_set(1, 1), ColorRef(color)))
                       : wcreatepenindirect_set(&created, s.WmfHandles,
                                                U_PEN_set(U_PS_SOLID, 1, ColorRef(color)));
    Replace(s.Pen, created, create);
}

void TMetafileWriter::SetBrush(const QColor& color) {
    SetBrushOf(U_BS_SOLID, color);
}

void TMetafileWriter::SetNullBrush() {
    SetBrushOf(U_BS_NULL, Qt::black);
}

void TMetafileWriter::SetBrushOf(std::uint32_t style, const QColor& color) {
    TState& s = *State;
    if (!s.Status)
        return;
    std::uint32_t created = 0;
    char* create = s.Kind == TKind::Emf
                       ? createbrushindirect_set(&created, s.EmfHandles,
                                                 logbrush_set(style, ColorRef(color), 0))
                       : wcreatebrushindirect_set(
                             &created, s.WmfHandles,
                             U_WLOGBRUSH_set(static_cast<uint16_t>(style), ColorRef(color), 0));
    Replace(s.Brush, created, create);
}

void TMetafileWriter::SetTextColor(const QColor& color) {
    if (State->Kind == TKind::Emf)
        Append(U_EMRSETTEXTCOLOR_set(ColorRef(color)));
    else
        Append(U_WMRSETTEXTCOLOR_set(ColorRef(color)));
}

void TMetafileWriter::Rectangle(const QRect& rect) {
    if (State->Kind == TKind::Emf)
        Append(U_EMRRECTANGLE_set(Box32(rect)));
    else
        Append(U_WMRRECTANGLE_set(Box16(rect)));
}

void TMetafileWriter::Ellipse(const QRect& box) {
    if (State->Kind == TKind::Emf)
        Append(U_EMRELLIPSE_set(Box32(box)));
    else
        Append(U_WMRELLIPSE_set(Box16(box)));
}

void TMetafileWriter::Pie(const QRect& box, const QPoint& start, const QPoint& end) {
    if (State->Kind == TKind::Emf)
        Append(U_EMRPIE_set(Box32(box), pointl_set(start.x(), start.y()),
                            pointl_set(end.x(), end.y())));
    else
        Append(U_WMRPIE_set(Point16(start), Point16(end), Box16(box)));
}

void TMetafileWriter::Line(const QPoint& from, const QPoint& to) {
    if (State->Kind == TKind::Emf) {
        Append(U_EMRMOVETOEX_set(pointl_set(from.x(), from.y())));
        Append(U_EMRLINETO_set(pointl_set(to.x(), to.y())));
    } else {
        Append(U_WMRMOVETO_set(Point16(from)));
        Append(U_WMRLINETO_set(Point16(to)));
    }
}

void TMetafileWriter::TextOut(const QPoint& pos, const QString& text) {
    TState& s = *State;
    if (text.isEmpty() || !s.Status)
        return;
    // Every character's advance, so a reader without the font still spaces
    // the text as it was measured.
    std::vector<int> advances;
    int width = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size();
        const int advance = s.Metrics.horizontalAdvance(text.mid(i, pair ? 2 : 1));
        advances.push_back(advance);
        if (pair)
            advances.push_back(0);
        width += advance;
        i += pair ? 1 : 0;
    }
    const QRect box(pos, QSize(width, s.Metrics.height()));
    if (s.Kind == TKind::Emf) {
        std::vector<uint32_t> dx(advances.begin(), advances.end());
        std::vector<uint16_t> chars(text.utf16(), text.utf16() + text.size());
        char* emrText =
            emrtext_set(pointl_set(pos.x(), pos.y()), static_cast<U_NUM_STR>(chars.size()), 2,
                        chars.data(), U_ETO_NONE, Box32(QRect(0, 0, -1, -1)), dx.data());
        if (!emrText) {
            Fail(s.Status, "text could not be set");
            return;
        }
        char* record = U_EMREXTTEXTOUTW_set(Box32(box), U_GM_COMPATIBLE, 1.0f, 1.0f,
                                            reinterpret_cast<PU_EMRTEXT>(emrText));
        std::free(emrText);
        Append(record);
        return;
    }
    // Windows-1252 is what a WMF's ANSI font reads; Latin-1 is its
    // printable core.
    QByteArray bytes;
    std::vector<int16_t> dx;
    std::size_t k = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++k) {
        const QChar c = text[i];
        const bool pair = c.isHighSurrogate() && i + 1 < text.size();
        bytes += c.unicode() < 256 && c.unicode() >= 32 ? char(c.unicode()) : '?';
        dx.push_back(static_cast<int16_t>(advances[k] + (pair ? advances[k + 1] : 0)));
        if (pair) {
            ++i;
            ++k;
        }
    }
    const bool opaque = s.BrushStyle == U_BS_SOLID;
    if (opaque)
        Append(U_WMRSETBKMODE_set(U_TRANSPARENT));
    Append(U_WMREXTTEXTOUT_set(Point16(pos), static_cast<int16_t>(bytes.size()), U_ETO_NONE,
                               bytes.constData(), dx.data(), Box16(QRect(0, 0, 0, 0))));
    if (opaque)
        Append(U_WMRSETBKMODE_set(U_OPAQUE));
}

TResult<QByteArray> TMetafileWriter::Finish() {
    TState& s = *State;
    if (s.Finished)
        throw std::logic_error("a metafile finished twice");
    if (s.Status) {
        if (s.Kind == TKind::Emf) {
            Append(U_EMREOF_set(0, nullptr, s.Emf));
            if (s.Status && emf_finish(s.Emf, s.EmfHandles) != 0)
                Fail(s.Status, "libUEMF could not end the file");
        } else {
            Append(U_WMREOF_set());
            if (s.Status && wmf_finish(s.Wmf) != 0)
                Fail(s.Status, "libUEMF could not end the file");
        }
    }
    s.Finished = true;
    if (!s.Status)
        return s.Status.Failure();
    return s.Kind == TKind::Emf ? QByteArray(s.Emf->buf, static_cast<qsizetype>(s.Emf->used))
                                : QByteArray(s.Wmf->buf, static_cast<qsizetype>(s.Wmf->used));
}
