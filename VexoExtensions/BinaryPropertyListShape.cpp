#include "VexoExtensions/BinaryPropertyListShape.h"

#include "VexoExtensions/InputLimits.h"
#include "VexoExtensions/PropertyList.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <plist/plist.h>
#include <vector>

namespace brisquel::vexo::plist {

namespace {

constexpr int kHeaderSize = 8;
constexpr int kTrailerSize = 32;
constexpr char kMagic[] = "bplist00";

constexpr quint8 kAsciiText = 0x5;
constexpr quint8 kUtf16Text = 0x6;

// Where one object lies, read from its marker.
struct Layout {
    quint64 offset = 0;      // where it begins
    quint64 end = 0;         // its last byte, plus one
    quint64 refsAt = 0;      // where its references to other objects begin; 0 for one that holds none
    quint32 refCount = 0;    // how many references it holds
    quint64 bytes = 0;       // its bytes of text or data
    quint8 kind = 0;         // the high half of its marker
    bool dictionary = false; // the first half of its references are keys
    bool holdsNul = false;   // a text with a NUL character, which libplist cannot take as a key
};

// What the walk keeps of each object, in as few bytes as it can: a listing reads a large domain
// often, and the table of a few hundred kilobytes that a wider record made cost it as much as the
// rest of the check.
struct Totals {
    quint32 values = 0; // values in the tree it stands for (at most just above the limit)
    quint32 bytes = 0;  // bytes of text and data in that tree (likewise)
    quint8 depth = 0;   // nesting below it (likewise)
    quint8 state = 0;   // 0 not seen, 1 being walked, 2 done
    bool holdsNul = false;
};

// libplist 2.2 reads only the objects it reaches, and checks less than this walk does: a file whose
// tables do not hold together for the walk may still parse (an object it never reaches may lie
// anywhere), and passing such a file on would let the shapes guarded against here through.
Result notHeldTogether(const QString& source) {
    return Result::failure(Status::Malformed, source + QStringLiteral(" is not a property list: its "
                                                                      "object table does not hold together"));
}

Result tooDeep(const QString& source) {
    return Result::failure(Status::TooLarge, source + QStringLiteral(" nests containers more than ") +
                                                 QString::number(limits::kPropertyListDepth) +
                                                 QStringLiteral(" levels deep"));
}

void appendBigEndian(QByteArray& out, quint64 value, int width) {
    char bytes[8] = {};
    for (int i = 0; i < width; ++i)
        bytes[i] = char((value >> (8 * (width - 1 - i))) & 0xFF);
    out.append(bytes, width);
}

class Shape {
public:
    explicit Shape(const QByteArray& bytes)
        : m_data(reinterpret_cast<const uchar*>(bytes.constData())), m_size(quint64(bytes.size())) {}

    // The whole check: the trailer, every object, then the walk from the top.
    Result check(const QString& source) {
        if (!readTrailer())
            return notHeldTogether(source);
        if (m_objectCount > quint64(limits::kPropertyListValues))
            return Result::failure(Status::TooLarge, source + QStringLiteral(" holds more than ") +
                                                         QString::number(limits::kPropertyListValues) +
                                                         QStringLiteral(" objects"));
        if (!readObjects())
            return notHeldTogether(source);
        return walk(source);
    }

    // After check(): the top object's index, an object's layout and its i-th reference.
    quint64 top() const { return m_top; }
    Layout layout(quint64 index) const {
        Layout layout;
        readObject(offsetOf(index), layout);
        return layout;
    }
    quint64 reference(const Layout& object, quint32 i) const {
        return bigEndian(m_data + object.refsAt + quint64(i) * quint64(m_refSize), m_refSize);
    }

    // A text object's UTF-8 form, as libplist gives it: an ASCII text's bytes as they are, a UTF-16
    // text converted; none for any other object, and for UTF-16 with a surrogate out of its pair.
    std::optional<QByteArray> textBytes(const Layout& object) const {
        const char* at = reinterpret_cast<const char*>(m_data) + object.end - object.bytes;
        if (object.kind == kAsciiText)
            return QByteArray::fromRawData(at, qsizetype(object.bytes));
        if (object.kind != kUtf16Text)
            return std::nullopt;
        QString text(qsizetype(object.bytes / 2), Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i)
            text[i] = QChar(char16_t(quint16(uchar(at[2 * i])) << 8 | uchar(at[2 * i + 1])));
        if (!text.isValidUtf16())
            return std::nullopt;
        return text.toUtf8();
    }

    // A binary property list of its own holding the object at index as its top, with every object
    // that object reaches: libplist reads a value from it exactly as it reads it in the whole list.
    QByteArray slice(quint64 index) const {
        const Layout root = layout(index);
        if (root.refsAt == 0) // a value of its own, the usual case: one object
            return sliceOf({root}, {});
        std::vector<quint64> order{index};
        QHash<quint64, quint64> renumbered{{index, 0}};
        std::vector<Layout> layouts;
        for (size_t i = 0; i < order.size(); ++i) {
            layouts.push_back(layout(order[i]));
            const Layout& object = layouts.back();
            for (quint32 r = 0; r < object.refCount; ++r) {
                const quint64 target = reference(object, r);
                if (!renumbered.contains(target)) {
                    renumbered.insert(target, order.size());
                    order.push_back(target);
                }
            }
        }
        return sliceOf(layouts, renumbered);
    }

    // The property list of the objects laid out, the first at the top, their references renumbered.
    QByteArray sliceOf(const std::vector<Layout>& layouts, const QHash<quint64, quint64>& renumbered) const {
        QByteArray out(kMagic, kHeaderSize);
        out.reserve(kHeaderSize + kTrailerSize + qsizetype(layouts.size()) * 16 +
                    qsizetype(layouts.front().end - layouts.front().offset));
        std::vector<quint64> offsets;
        offsets.reserve(layouts.size());
        for (const Layout& object : layouts) {
            offsets.push_back(quint64(out.size()));
            const char* begin = reinterpret_cast<const char*>(m_data) + object.offset;
            if (object.refsAt == 0) {
                out.append(begin, qsizetype(object.end - object.offset));
                continue;
            }
            out.append(begin, qsizetype(object.refsAt - object.offset));
            for (quint32 r = 0; r < object.refCount; ++r)
                appendBigEndian(out, renumbered.value(reference(object, r)), m_refSize);
        }
        const quint64 table = quint64(out.size());
        const int offsetSize = table <= 0xFF ? 1 : table <= 0xFFFF ? 2 : table <= 0xFFFFFFFF ? 4 : 8;
        for (const quint64 offset : offsets)
            appendBigEndian(out, offset, offsetSize);
        out.append(QByteArray(6, '\0'));
        out.append(char(offsetSize)).append(char(m_refSize));
        appendBigEndian(out, quint64(layouts.size()), 8);
        appendBigEndian(out, 0, 8);
        appendBigEndian(out, table, 8);
        return out;
    }

private:
    // False when the tables do not hold together.
    bool readTrailer() {
        if (m_size < kHeaderSize + kTrailerSize)
            return false;
        const uchar* trailer = m_data + m_size - kTrailerSize;
        m_offsetSize = trailer[6];
        m_refSize = trailer[7];
        m_objectCount = bigEndian(trailer + 8, 8);
        m_top = bigEndian(trailer + 16, 8);
        m_offsetTable = bigEndian(trailer + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8)
            return false;
        if (m_objectCount == 0 || m_top >= m_objectCount || m_offsetTable >= m_size)
            return false;
        // Every object takes at least a byte, and so does every offset.
        if (m_objectCount > (m_size - m_offsetTable) / quint64(m_offsetSize))
            return false;
        return true;
    }

    quint64 offsetOf(quint64 index) const {
        return bigEndian(m_data + m_offsetTable + index * quint64(m_offsetSize), m_offsetSize);
    }

    // Every object is one the format has, lying wholly before the offset table. False when one is not.
    bool readObjects() {
        m_totals.resize(m_objectCount);
        for (quint64 i = 0; i < m_objectCount; ++i) {
            const quint64 offset = offsetOf(i);
            Layout layout;
            if (offset < kHeaderSize || offset >= m_offsetTable || !readObject(offset, layout))
                return false;
            m_totals[i].bytes = quint32(qMin<quint64>(layout.bytes, limits::kPropertyListContentBytes + 1));
            m_totals[i].holdsNul = layout.holdsNul;
        }
        return true;
    }

    // Walks from the top object; a failure when the tree goes beyond the bounds or loops. Each
    // reference is followed once: a child already walked adds its totals at once, one walked now
    // adds them when it is done.
    Result walk(const QString& source) {
        struct Frame {
            quint64 object;
            Layout layout;
            quint32 next = 0; // the next reference to follow
            quint64 values = 1;
            quint64 bytes = 0;
            int depth = 0;
        };
        const auto enter = [&](std::vector<Frame>& stack, quint64 index) {
            m_totals[index].state = 1;
            stack.push_back({index, layout(index)});
            stack.back().bytes = m_totals[index].bytes;
        };
        std::vector<Frame> stack;
        enter(stack, m_top);
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.next < frame.layout.refCount) {
                const quint32 index = frame.next++;
                const quint64 child = reference(frame.layout, index);
                if (child >= m_objectCount)
                    return notHeldTogether(source);
                const Totals& target = m_totals[child];
                // libplist reads such a key with an assertion that stops the process.
                if (frame.layout.dictionary && index < frame.layout.refCount / 2 && target.holdsNul)
                    return Result::failure(Status::Malformed,
                                           source + QStringLiteral(" is not a property list: a dictionary "
                                                                   "key holds a NUL character"));
                if (target.state == 1)
                    return Result::failure(Status::Malformed,
                                           source +
                                               QStringLiteral(" is not a property list: its objects refer "
                                                              "to each other in a loop"));
                if (target.state == 0) {
                    if (stack.size() > size_t(limits::kPropertyListDepth))
                        return tooDeep(source);
                    enter(stack, child);
                    continue;
                }
                if (Result added = add(frame, target.values, target.bytes, target.depth, source); !added)
                    return added;
                continue;
            }
            // Every child is done.
            Totals& done = m_totals[frame.object];
            done.values = quint32(frame.values);
            done.bytes = quint32(frame.bytes);
            done.depth = quint8(frame.depth);
            done.state = 2;
            stack.pop_back();
            if (!stack.empty()) {
                if (Result added = add(stack.back(), done.values, done.bytes, done.depth, source); !added)
                    return added;
            }
        }
        return {};
    }

    // Adds a child's totals to its container's, within the bounds.
    template <typename Frame>
    static Result add(Frame& frame, quint64 values, quint64 bytes, int depth, const QString& source) {
        frame.values += values;
        frame.bytes += bytes;
        frame.depth = qMax(frame.depth, depth + 1);
        if (frame.values > quint64(limits::kPropertyListValues))
            return Result::failure(Status::TooLarge, source + QStringLiteral(" holds more than ") +
                                                         QString::number(limits::kPropertyListValues) +
                                                         QStringLiteral(" values"));
        if (frame.bytes > quint64(limits::kPropertyListContentBytes))
            return Result::failure(Status::TooLarge, source + QStringLiteral(" holds more than ") +
                                                         QString::number(limits::kPropertyListContentBytes) +
                                                         QStringLiteral(" bytes of text and data"));
        if (frame.depth > limits::kPropertyListDepth)
            return tooDeep(source);
        return {};
    }

    // References and offsets are read for every object the walk passes, most of one or two bytes.
    static quint64 bigEndian(const uchar* at, int width) {
        switch (width) {
        case 1:
            return at[0];
        case 2:
            return quint64(at[0]) << 8 | at[1];
        case 3:
            return quint64(at[0]) << 16 | quint64(at[1]) << 8 | at[2];
        case 4:
            return quint64(at[0]) << 24 | quint64(at[1]) << 16 | quint64(at[2]) << 8 | at[3];
        default: {
            quint64 value = 0;
            for (int i = 0; i < width; ++i)
                value = (value << 8) | at[i];
            return value;
        }
        }
    }

    // The length of an object whose marker's low half is `info`: the half itself, or the integer
    // object that follows the marker when the half is 0xF. False when it does not fit the file.
    bool readCount(quint64& at, int info, quint64& count) const {
        if (info != 0xF) {
            count = quint64(info);
            return true;
        }
        if (at >= m_offsetTable)
            return false;
        const uchar marker = m_data[at++];
        if ((marker & 0xF0) != 0x10)
            return false;
        const int width = 1 << (marker & 0x0F);
        if (width > 8 || at + quint64(width) > m_offsetTable)
            return false;
        count = bigEndian(m_data + at, width);
        at += quint64(width);
        return true;
    }

    // Whether the text of `bytes` bytes at `at` holds a NUL character of `width` bytes.
    bool holdsNul(quint64 at, quint64 bytes, int width) const {
        if (width == 1)
            return std::memchr(m_data + at, 0, size_t(bytes)) != nullptr;
        for (quint64 i = at; i + 1 < at + bytes; i += 2) {
            if (m_data[i] == 0 && m_data[i + 1] == 0)
                return true;
        }
        return false;
    }

    // Reads the object at offset: what it is, where it ends, which references it holds. False for an
    // object the format has no such marker for, or one that runs into the offset table.
    bool readObject(quint64 offset, Layout& object) const {
        const uchar marker = m_data[offset];
        const int kind = marker >> 4;
        const int info = marker & 0x0F;
        quint64 at = offset + 1;
        quint64 count = 0;
        quint64 length = 0; // bytes after the marker (and its count)
        object.offset = offset;
        object.kind = quint8(kind);
        switch (kind) {
        case 0x0: // null, false, true, fill
            if (info != 0x0 && info != 0x8 && info != 0x9 && info != 0xF)
                return false;
            break;
        case 0x1: // integer of 1, 2, 4, 8 or 16 bytes
            if (info > 4)
                return false;
            length = quint64(1) << info;
            break;
        case 0x2: // real of 4 or 8 bytes
            if (info != 2 && info != 3)
                return false;
            length = quint64(1) << info;
            break;
        case 0x3: // date
            if (info != 3)
                return false;
            length = 8;
            break;
        case 0x4: // data
        case 0x5: // ASCII text
        case 0x6: // UTF-16 text
            if (!readCount(at, info, count) || count > m_size)
                return false;
            length = kind == 0x6 ? count * 2 : count;
            if (at + length > m_offsetTable)
                return false;
            object.bytes = length;
            object.holdsNul = kind != 0x4 && holdsNul(at, length, kind == 0x6 ? 2 : 1);
            break;
        case 0x8: // UID of 1 to 8 bytes
            if (info > 7)
                return false;
            length = quint64(info) + 1;
            break;
        case 0xA: // array
        case 0xC: // set
        case 0xD: // dictionary: keys, then values
            if (!readCount(at, info, count))
                return false;
            if (kind == 0xD)
                count *= 2;
            if (count > m_size)
                return false;
            length = count * quint64(m_refSize);
            object.refsAt = at;
            object.refCount = quint32(count);
            object.dictionary = kind == 0xD;
            break;
        default:
            return false;
        }
        if (at + length > m_offsetTable)
            return false;
        object.end = at + length;
        return true;
    }

    const uchar* m_data;
    quint64 m_size;
    int m_offsetSize = 0;
    int m_refSize = 0;
    quint64 m_objectCount = 0;
    quint64 m_top = 0;
    quint64 m_offsetTable = 0;
    std::vector<Totals> m_totals;
};

bool isBinary(const QByteArray& bytes) {
    return bytes.startsWith(kMagic) && quint64(bytes.size()) <= std::numeric_limits<quint32>::max();
}

} // namespace

Result checkBinaryShape(const QByteArray& bytes, const QString& source) {
    if (!isBinary(bytes))
        return {};
    return Shape(bytes).check(source);
}

Expected<QVariantList> readBinaryDictionaryValues(const QByteArray& bytes, const QStringList& keys,
                                                  const QString& source) {
    if (!isBinary(bytes))
        return Result::failure(Status::Malformed, source + QStringLiteral(" is not a binary property list"));
    Shape shape(bytes);
    if (Result checked = shape.check(source); !checked)
        return checked;
    const Layout top = shape.layout(shape.top());
    if (!top.dictionary)
        return Result::failure(Status::Malformed, source + QStringLiteral(" does not hold a dictionary"));
    QVariantList values(keys.size());
    KeyPositions wanted(keys);
    const quint32 pairs = top.refCount / 2;
    for (quint32 i = 0; i < pairs && !wanted.isEmpty(); ++i) {
        const std::optional<QByteArray> name = shape.textBytes(shape.layout(shape.reference(top, i)));
        if (!name)
            return Result::failure(Status::Malformed,
                                   source + QStringLiteral(" is not a property list: a "
                                                           "dictionary key is not a text"));
        Result converted;
        wanted.take(*name, [&](qsizetype position) {
            if (!converted)
                return;
            // The slice is part of what was checked: libplist reads it at once.
            const QByteArray slice = shape.slice(shape.reference(top, pairs + i));
            plist_t parsed = nullptr;
            plist_from_bin(slice.constData(), uint32_t(slice.size()), &parsed);
            const Node node(parsed);
            if (!node) {
                converted =
                    Result::failure(Status::Malformed, source + QStringLiteral(" is not a property list"));
                return;
            }
            Expected<QVariant> value = convert(node.get());
            if (!value) // again, naming the value in the reason, which is made only when there is one
                value = convert(node.get(), QStringLiteral("The value of \"") + keys[position] +
                                                QStringLiteral("\" in ") + source);
            if (!value)
                converted = value.result();
            else
                values[position] = std::move(value).value();
        });
        if (!converted)
            return converted;
    }
    return values;
}

} // namespace brisquel::vexo::plist
