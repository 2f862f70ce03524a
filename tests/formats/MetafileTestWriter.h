#pragma once
// Writes small enhanced and old-style metafiles for the player's tests, record by record.

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>

#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace kolvar::test {

class TBytes {
public:
    TBytes& U8(uint8_t v) {
        bytes_.append(char(v));
        return *this;
    }
    TBytes& U16(uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
    TBytes& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    TBytes& I32(int32_t v) { return U32(uint32_t(v)); }
    TBytes& I16(int16_t v) { return U16(uint16_t(v)); }
    TBytes& F32(float f) {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        return U32(v);
    }
    TBytes& Raw(const QByteArray& b) {
        bytes_.append(b);
        return *this;
    }
    TBytes& Pad(int multiple) {
        while (bytes_.size() % multiple) U8(0);
        return *this;
    }
    const QByteArray& Bytes() const { return bytes_; }
    qsizetype Size() const { return bytes_.size(); }

private:
    QByteArray bytes_;
};

// A BITMAPINFOHEADER and bits for a 24-bit picture, bottom-up unless `topDown`.
struct TTestDib {
    QByteArray Info, Bits;
};

inline TTestDib MakeDib24(const QImage& image, bool topDown = false) {
    TTestDib dib;
    TBytes info;
    info.U32(40).I32(image.width()).I32(topDown ? -image.height() : image.height());
    info.U16(1).U16(24).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0);
    dib.Info = info.Bytes();
    TBytes bits;
    for (int row = 0; row < image.height(); ++row) {
        int y = topDown ? row : image.height() - 1 - row;
        for (int x = 0; x < image.width(); ++x) {
            QRgb c = image.pixel(x, y);
            bits.U8(qBlue(c)).U8(qGreen(c)).U8(qRed(c));
        }
        bits.Pad(4);
    }
    dib.Bits = bits.Bytes();
    return dib;
}

// Enhanced metafile records. Parameters are 32-bit values in record order.
class TEmfWriter {
public:
    // The frame is in hundredths of a millimetre; the default device has 96 pixels per inch.
    explicit TEmfWriter(QRect frame, QSize devicePixels = QSize(960, 960),
                        QSize deviceMillimeters = QSize(254, 254), uint16_t handles = 8)
        : frame_(frame), device_(devicePixels), mm_(deviceMillimeters), handles_(handles) {}

    TEmfWriter& Record(uint32_t type, std::initializer_list<int32_t> params) {
        TBytes body;
        for (int32_t p : params) body.I32(p);
        return Raw(type, body.Bytes());
    }
    TEmfWriter& Raw(uint32_t type, const QByteArray& body) {
        records_.U32(type).U32(uint32_t(8 + body.size())).Raw(body);
        ++count_;
        return *this;
    }
    // A record whose size field says `size`, whatever the body holds.
    TEmfWriter& RawSized(uint32_t type, uint32_t size, const QByteArray& body) {
        records_.U32(type).U32(size).Raw(body);
        ++count_;
        return *this;
    }

    TEmfWriter& CreatePen(uint32_t index, uint32_t style, int32_t width, uint32_t color) {
        return Record(38, {int32_t(index), int32_t(style), width, 0, int32_t(color)});
    }
    TEmfWriter& CreateBrush(uint32_t index, uint32_t style, uint32_t color, uint32_t hatch = 0) {
        return Record(39, {int32_t(index), int32_t(style), int32_t(color), int32_t(hatch)});
    }
    TEmfWriter& CreateFont(uint32_t index, int32_t height, const QString& face,
                           int32_t weight = 400, int32_t escapement = 0) {
        TBytes b;
        b.U32(index).I32(height).I32(0).I32(escapement).I32(escapement).I32(weight);
        b.U8(0).U8(0).U8(0).U8(0).U8(0).U8(0).U8(0).U8(0);
        for (int i = 0; i < 32; ++i) b.U16(i < face.size() ? face[i].unicode() : 0);
        return Raw(82, b.Bytes());
    }
    TEmfWriter& Select(uint32_t index) { return Record(37, {int32_t(index)}); }
    TEmfWriter& Delete(uint32_t index) { return Record(40, {int32_t(index)}); }
    TEmfWriter& Rectangle(int l, int t, int r, int b) { return Record(43, {l, t, r, b}); }
    TEmfWriter& Ellipse(int l, int t, int r, int b) { return Record(42, {l, t, r, b}); }
    TEmfWriter& MoveTo(int x, int y) { return Record(27, {x, y}); }
    TEmfWriter& LineTo(int x, int y) { return Record(54, {x, y}); }
    TEmfWriter& MapMode(int mode) { return Record(17, {mode}); }
    // Points as x, y pairs; 16-bit records when `small`.
    TEmfWriter& Poly(uint32_t type, std::initializer_list<int> xy, bool small = false) {
        TBytes b;
        b.I32(0).I32(0).I32(0).I32(0).U32(uint32_t(xy.size() / 2));
        for (int v : xy) small ? b.I16(int16_t(v)) : b.I32(v);
        b.Pad(4);
        return Raw(type, b.Bytes());
    }
    TEmfWriter& WorldTransform(float m11, float m12, float m21, float m22, float dx, float dy) {
        TBytes b;
        b.F32(m11).F32(m12).F32(m21).F32(m22).F32(dx).F32(dy);
        return Raw(35, b.Bytes());
    }
    TEmfWriter& TextOutW(int x, int y, const QString& text, uint32_t options = 0) {
        TBytes b;
        b.I32(0).I32(0).I32(-1).I32(-1).U32(1).F32(1).F32(1); // bounds, graphics mode, scales
        const uint32_t at = 8 + 28 + 40;
        b.I32(x).I32(y).U32(uint32_t(text.size())).U32(at).U32(options);
        b.I32(0).I32(0).I32(-1).I32(-1).U32(0); // clip rectangle, no advances
        for (QChar c : text) b.U16(c.unicode());
        b.Pad(4);
        return Raw(84, b.Bytes());
    }
    TEmfWriter& StretchDIBits(QRect dest, QRect src, const TTestDib& dib,
                              uint32_t rop = 0x00CC0020) {
        TBytes b;
        const uint32_t infoAt = 80, bitsAt = infoAt + uint32_t(dib.Info.size());
        b.I32(0).I32(0).I32(-1).I32(-1).I32(dest.x()).I32(dest.y());
        b.I32(src.x()).I32(src.y()).I32(src.width()).I32(src.height());
        b.U32(infoAt).U32(uint32_t(dib.Info.size())).U32(bitsAt).U32(uint32_t(dib.Bits.size()));
        b.U32(0).U32(rop).I32(dest.width()).I32(dest.height());
        b.Raw(dib.Info).Raw(dib.Bits).Pad(4);
        return Raw(81, b.Bytes());
    }
    // Scan lines `start` up to `start + scans` of a bottom-up bitmap, placed unstretched.
    TEmfWriter& SetDIBitsToDevice(QPoint dest, QRect src, const TTestDib& dib, uint32_t start,
                                  uint32_t scans) {
        TBytes b;
        const uint32_t infoAt = 76, bitsAt = infoAt + uint32_t(dib.Info.size());
        b.I32(0).I32(0).I32(-1).I32(-1).I32(dest.x()).I32(dest.y());
        b.I32(src.x()).I32(src.y()).I32(src.width()).I32(src.height());
        b.U32(infoAt).U32(uint32_t(dib.Info.size())).U32(bitsAt).U32(uint32_t(dib.Bits.size()));
        b.U32(0).U32(start).U32(scans);
        b.Raw(dib.Info).Raw(dib.Bits).Pad(4);
        return Raw(80, b.Bytes());
    }
    TEmfWriter& BitBlt(QPoint dest, QSize size, QPoint src, const TTestDib& dib,
                       uint32_t rop = 0x00CC0020) {
        TBytes b;
        const uint32_t infoAt = 100, bitsAt = infoAt + uint32_t(dib.Info.size());
        b.I32(0).I32(0).I32(-1).I32(-1).I32(dest.x()).I32(dest.y());
        b.I32(size.width()).I32(size.height()).U32(rop).I32(src.x()).I32(src.y());
        b.F32(1).F32(0).F32(0).F32(1).F32(0).F32(0).U32(0xFFFFFF).U32(0);
        b.U32(infoAt).U32(uint32_t(dib.Info.size())).U32(bitsAt).U32(uint32_t(dib.Bits.size()));
        b.Raw(dib.Info).Raw(dib.Bits).Pad(4);
        return Raw(76, b.Bytes());
    }

    QByteArray Bytes(bool withEof = true) const {
        TBytes records = records_;
        uint32_t count = count_ + 2;
        if (withEof) records.U32(14).U32(20).U32(0).U32(16).U32(20);
        TBytes h;
        const uint32_t headerSize = 108;
        h.U32(1).U32(headerSize);
        h.I32(0).I32(0).I32(-1).I32(-1);
        h.I32(frame_.left()).I32(frame_.top()).I32(frame_.left() + frame_.width());
        h.I32(frame_.top() + frame_.height());
        h.U32(0x464D4520).U32(0x10000).U32(uint32_t(headerSize + records.Size())).U32(count);
        h.U16(handles_).U16(0).U32(0).U32(0).U32(0);
        h.I32(device_.width()).I32(device_.height()).I32(mm_.width()).I32(mm_.height());
        h.U32(0).U32(0).U32(0).I32(mm_.width() * 1000).I32(mm_.height() * 1000);
        return h.Raw(records.Bytes()).Bytes();
    }

private:
    QRect frame_;
    QSize device_, mm_;
    uint16_t handles_;
    TBytes records_;
    uint32_t count_ = 0;
};

// Old-style metafile records. Parameters are 16-bit words in stored order (last argument first).
class TWmfWriter {
public:
    // A placeable metafile when `unitsPerInch` is not 0.
    TWmfWriter(QRect box, uint16_t unitsPerInch, uint16_t objects = 8)
        : box_(box), inch_(unitsPerInch), objects_(objects) {}
    static TWmfWriter OldStyle(uint16_t objects = 8) { return TWmfWriter(QRect(), 0, objects); }
    bool Placeable() const { return inch_ != 0 || !box_.isNull(); }

    TWmfWriter& Record(uint16_t function, std::initializer_list<int> words) {
        TBytes body;
        for (int w : words) body.I16(int16_t(w));
        return Raw(function, body.Bytes());
    }
    TWmfWriter& Raw(uint16_t function, const QByteArray& body) {
        QByteArray b = body;
        if (b.size() % 2) b.append('\0');
        records_.U32(uint32_t(3 + b.size() / 2)).U16(function).Raw(b);
        return *this;
    }
    TWmfWriter& RawSized(uint16_t function, uint32_t words, const QByteArray& body) {
        records_.U32(words).U16(function).Raw(body);
        return *this;
    }

    TWmfWriter& Pen(uint16_t style, int16_t width, uint32_t color) {
        return Record(0x02FA, {style, width, 0, int(color & 0xFFFF), int(color >> 16)});
    }
    TWmfWriter& Brush(uint16_t style, uint32_t color, uint16_t hatch = 0) {
        return Record(0x02FC, {style, int(color & 0xFFFF), int(color >> 16), hatch});
    }
    TWmfWriter& Font(int16_t height, const QByteArray& face, int16_t weight = 400) {
        TBytes b;
        b.I16(height).I16(0).I16(0).I16(0).I16(weight);
        b.U8(0).U8(0).U8(0).U8(0).U8(0).U8(0).U8(0).U8(0);
        b.Raw(face).U8(0);
        return Raw(0x02FB, b.Bytes());
    }
    TWmfWriter& Select(uint16_t index) { return Record(0x012D, {index}); }
    TWmfWriter& Delete(uint16_t index) { return Record(0x01F0, {index}); }
    TWmfWriter& WindowOrg(int x, int y) { return Record(0x020B, {y, x}); }
    TWmfWriter& WindowExt(int x, int y) { return Record(0x020C, {y, x}); }
    TWmfWriter& MapMode(int mode) { return Record(0x0103, {mode}); }
    TWmfWriter& Rectangle(int l, int t, int r, int b) { return Record(0x041B, {b, r, t, l}); }
    TWmfWriter& Ellipse(int l, int t, int r, int b) { return Record(0x0418, {b, r, t, l}); }
    TWmfWriter& MoveTo(int x, int y) { return Record(0x0214, {y, x}); }
    TWmfWriter& LineTo(int x, int y) { return Record(0x0213, {y, x}); }
    TWmfWriter& Polygon(std::initializer_list<int> xy) {
        TBytes b;
        b.I16(int16_t(xy.size() / 2));
        for (int v : xy) b.I16(int16_t(v));
        return Raw(0x0324, b.Bytes());
    }
    TWmfWriter& TextOut(int x, int y, const QByteArray& text) {
        TBytes b;
        b.I16(int16_t(text.size())).Raw(text).Pad(2).I16(int16_t(y)).I16(int16_t(x));
        return Raw(0x0521, b.Bytes());
    }
    TWmfWriter& StretchDib(QRect dest, QRect src, const TTestDib& dib, uint32_t rop = 0x00CC0020) {
        TBytes b;
        b.U32(rop).U16(0).I16(int16_t(src.height())).I16(int16_t(src.width()));
        b.I16(int16_t(src.y())).I16(int16_t(src.x())).I16(int16_t(dest.height()));
        b.I16(int16_t(dest.width())).I16(int16_t(dest.y())).I16(int16_t(dest.x()));
        b.Raw(dib.Info).Raw(dib.Bits);
        return Raw(0x0F43, b.Bytes());
    }

    QByteArray Bytes(bool withEof = true) const {
        TBytes records = records_;
        if (withEof) records.U32(3).U16(0);
        TBytes out;
        if (Placeable()) {
            TBytes p;
            p.U32(0x9AC6CDD7).U16(0).I16(int16_t(box_.left())).I16(int16_t(box_.top()));
            p.I16(int16_t(box_.left() + box_.width())).I16(int16_t(box_.top() + box_.height()));
            p.U16(inch_).U32(0);
            uint16_t sum = 0;
            for (int i = 0; i < 20; i += 2)
                sum ^= uint16_t(uint8_t(p.Bytes()[i]) | (uint8_t(p.Bytes()[i + 1]) << 8));
            out.Raw(p.Bytes()).U16(sum);
        }
        uint32_t words = uint32_t(9 + records.Size() / 2);
        out.U16(1).U16(9).U16(0x0300).U32(words).U16(objects_).U32(64).U16(0);
        return out.Raw(records.Bytes()).Bytes();
    }

private:
    QRect box_;
    uint16_t inch_;
    uint16_t objects_;
    TBytes records_;
};

// The smallest rectangle holding every pixel of `color`, or an empty rectangle.
inline QRect BoundsOf(const QImage& image, QRgb color) {
    QRect r;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (color & 0xFFFFFF)) r |= QRect(x, y, 1, 1);
    return r;
}

inline int CountOf(const QImage& image, QRgb color) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) == (color & 0xFFFFFF);
    return n;
}

} // namespace kolvar::test
