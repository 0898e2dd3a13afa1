#pragma once

#include <QByteArray>
#include <QString>
#include <nlohmann/json.hpp>

// nlohmann::json's serialization point for the Qt value types used in encodable records, so that
// a record's to_json / from_json can hold them like standard ones:
//   QString    <-> a JSON text (UTF-8)
//   QByteArray <-> binary data: a property list's data value; in JSON files a Base64 text (which
//                  is also accepted when decoding)
template <> struct nlohmann::adl_serializer<QString> {
    static void to_json(nlohmann::json& j, const QString& text) { j = text.toStdString(); }
    static void from_json(const nlohmann::json& j, QString& text) {
        text = QString::fromStdString(j.get_ref<const nlohmann::json::string_t&>());
    }
};

template <> struct nlohmann::adl_serializer<QByteArray> {
    static void to_json(nlohmann::json& j, const QByteArray& bytes) {
        j = nlohmann::json::binary(nlohmann::json::binary_t::container_type(bytes.begin(), bytes.end()));
    }
    static void from_json(const nlohmann::json& j, QByteArray& bytes) {
        if (j.is_binary()) {
            const auto& binary = j.get_binary();
            bytes = QByteArray(reinterpret_cast<const char*>(binary.data()),
                               static_cast<qsizetype>(binary.size()));
            return;
        }
        const auto& text = j.get_ref<const nlohmann::json::string_t&>();
        const auto decoded = QByteArray::fromBase64Encoding(QByteArray::fromStdString(text),
                                                            QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            throw nlohmann::json::type_error::create(302, "the text is not Base64 data", &j);
        bytes = decoded.decoded;
    }
};
