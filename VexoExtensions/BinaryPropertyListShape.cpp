#include "VexoExtensions/BinaryPropertyListShape.h"

#include "VexoExtensions/InputLimits.h"

#include <cstdint>
#include <limits>
#include <vector>

namespace brisquel::vexo::plist {

namespace {

constexpr int kHeaderSize = 8;
constexpr int kTrailerSize = 32;

// What the walk keeps for one object.
struct Object {
    quint32 refsAt = 0;   // where its references to other objects begin
    quint32 refCount = 0; // how many references it holds
    quint32 values = 0;   // values in the tree it stands for (capped just above the limit)
    quint64 bytes = 0;    // bytes of text and data in that tree (capped likewise)
    quint8 depth = 0;     // nesting below it (capped)
    quint8 state = 0;     // 0 not seen, 1 being walked, 2 done
    // A dictionary: the first half of its references are keys.
    bool dictionary = false;
    // A text with a NUL character, which libplist cannot take as a key.
    bool holdsNul = false;
};

// libplist 2.2 reads only the objects it reaches, and checks less than this walk does: a file whose
// tables do not hold together for the walk may still parse (an object it never reaches may lie
// anywhere), and passing such a file on would let the shapes guarded against here through.
Result notHeldTogether(const QString& source) {
    return Result::failure(Status::Malformed, source + QStringLiteral(" is not a property list: its "
                                                                      "object table does not hold together"));
}

class Shape {
public:
    Shape(const QByteArray& bytes)
        : m_data(reinterpret_cast<const uchar*>(bytes.constData())), m_size(quint64(bytes.size())) {}

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
        if (m_objectCount > (m_size - m_offsetTable) / m_offsetSize)
            return false;
        return true;
    }

    quint64 objectCount() const { return m_objectCount; }

    // Where each object lies and which references it holds. False when they do not hold together.
    bool readObjects() {
        m_objects.resize(m_objectCount);
        for (quint64 i = 0; i < m_objectCount; ++i) {
            const quint64 offset = bigEndian(m_data + m_offsetTable + i * m_offsetSize, m_offsetSize);
            if (offset < kHeaderSize || offset >= m_offsetTable)
                return false;
            if (!readObject(offset, m_objects[i]))
                return false;
        }
        return true;
    }

    // Walks from the top object; a failure when the tree goes beyond the bounds or loops.
    Result walk(const QString& source) {
        struct Frame {
            quint64 object;
            quint32 next; // the next reference to follow
        };
        std::vector<Frame> stack{{m_top, 0}};
        m_objects[m_top].state = 1;
        while (!stack.empty()) {
            Frame& frame = stack.back();
            Object& object = m_objects[frame.object];
            if (frame.next < object.refCount) {
                const quint64 child =
                    bigEndian(m_data + object.refsAt + quint64(frame.next) * m_refSize, m_refSize);
                ++frame.next;
                if (child >= m_objectCount)
                    return notHeldTogether(source);
                Object& target = m_objects[child];
                if (target.state == 1)
                    return Result::failure(Status::Malformed,
                                           source +
                                               QStringLiteral(" is not a property list: its objects refer "
                                                              "to each other in a loop"));
                if (target.state == 0) {
                    if (stack.size() > size_t(limits::kPropertyListDepth))
                        return tooDeep(source);
                    target.state = 1;
                    stack.push_back({child, 0});
                }
                continue;
            }
            // Every child is done: add them up.
            quint64 values = 1;
            quint64 bytes = object.bytes;
            int depth = 0;
            for (quint32 i = 0; i < object.refCount; ++i) {
                const Object& child =
                    m_objects[bigEndian(m_data + object.refsAt + quint64(i) * m_refSize, m_refSize)];
                values += child.values;
                bytes += child.bytes;
                depth = qMax(depth, int(child.depth) + 1);
                // libplist reads such a key with an assertion that stops the process.
                if (object.dictionary && i < object.refCount / 2 && child.holdsNul)
                    return Result::failure(Status::Malformed,
                                           source + QStringLiteral(" is not a property list: a dictionary "
                                                                   "key holds a NUL character"));
                if (values > quint64(limits::kPropertyListValues))
                    return Result::failure(Status::TooLarge,
                                           source + QStringLiteral(" holds more than ") +
                                               QString::number(limits::kPropertyListValues) +
                                               QStringLiteral(" values"));
                if (bytes > quint64(limits::kPropertyListContentBytes))
                    return Result::failure(Status::TooLarge,
                                           source + QStringLiteral(" holds more than ") +
                                               QString::number(limits::kPropertyListContentBytes) +
                                               QStringLiteral(" bytes of text and data"));
            }
            if (depth > limits::kPropertyListDepth)
                return tooDeep(source);
            object.values = quint32(values);
            object.bytes = bytes;
            object.depth = quint8(depth);
            object.state = 2;
            stack.pop_back();
        }
        return {};
    }

private:
    quint64 bigEndian(const uchar* at, int width) const {
        quint64 value = 0;
        for (int i = 0; i < width; ++i)
            value = (value << 8) | at[i];
        return value;
    }

    static Result tooDeep(const QString& source) {
        return Result::failure(Status::TooLarge, source + QStringLiteral(" nests containers more than ") +
                                                     QString::number(limits::kPropertyListDepth) +
                                                     QStringLiteral(" levels deep"));
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

    // Whether the text of `bytes` bytes at `at` holds a NUL character of `width` bytes (as far as
    // it lies before the offset table: the parser refuses a text that runs into it).
    bool holdsNul(quint64 at, quint64 bytes, int width) const {
        const quint64 end = qMin(at + bytes, m_offsetTable);
        for (quint64 i = at; i + quint64(width) <= end; i += quint64(width)) {
            if (m_data[i] == 0 && (width == 1 || m_data[i + 1] == 0))
                return true;
        }
        return false;
    }

    bool readObject(quint64 offset, Object& object) const {
        const uchar marker = m_data[offset];
        const int kind = marker >> 4;
        const int info = marker & 0x0F;
        quint64 at = offset + 1;
        quint64 count = 0;
        switch (kind) {
        case 0x4: // data
        case 0x5: // ASCII text
        case 0x6: // UTF-16 text
            if (!readCount(at, info, count) || count > m_size)
                return false;
            object.bytes = kind == 0x6 ? count * 2 : count;
            object.holdsNul = kind != 0x4 && holdsNul(at, object.bytes, kind == 0x6 ? 2 : 1);
            return true;
        case 0xA: // array
        case 0xC: // set
        case 0xD: // dictionary: keys, then values
            if (!readCount(at, info, count))
                return false;
            if (kind == 0xD)
                count *= 2;
            if (count > m_size || at + count * m_refSize > m_offsetTable)
                return false;
            object.refsAt = quint32(at);
            object.refCount = quint32(count);
            object.dictionary = kind == 0xD;
            return true;
        default: // numbers, dates, booleans, UIDs: one value each
            return true;
        }
    }

    const uchar* m_data;
    quint64 m_size;
    int m_offsetSize = 0;
    int m_refSize = 0;
    quint64 m_objectCount = 0;
    quint64 m_top = 0;
    quint64 m_offsetTable = 0;
    std::vector<Object> m_objects;
};

} // namespace

Result checkBinaryShape(const QByteArray& bytes, const QString& source) {
    if (!bytes.startsWith("bplist00") || quint64(bytes.size()) > std::numeric_limits<quint32>::max())
        return {};
    Shape shape(bytes);
    if (!shape.readTrailer())
        return notHeldTogether(source);
    if (shape.objectCount() > quint64(limits::kPropertyListValues))
        return Result::failure(Status::TooLarge, source + QStringLiteral(" holds more than ") +
                                                     QString::number(limits::kPropertyListValues) +
                                                     QStringLiteral(" objects"));
    if (!shape.readObjects())
        return notHeldTogether(source);
    return shape.walk(source);
}

} // namespace brisquel::vexo::plist
