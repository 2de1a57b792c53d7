#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "common/Result.h"

// The code page of every text file the program reads and writes (upload files,
// CSV and XML exports, sysConf.ini): GBK, the Windows code page 936.
//
// Both directions are strict. Encoding refuses a character that GBK cannot
// carry and says which character it was and where, so that a screen can name
// the row and field instead of writing "?" into a file meant for the bank.
// Decoding refuses bytes that are not GBK and says at which offset, instead of
// turning them into replacement or private-use characters.
//
// GBK's user-defined areas (rare name characters: AAA1-AFFE, F8A1-FEFE and
// A140-A7A0) map to and from the private-use code points U+E000..U+E765 exactly
// as code page 936 does, so such a name round-trips byte for byte. Every other
// private-use character (U+E766..U+F8FF) is refused in both directions: it has
// no agreed meaning, so a file holding it cannot be read back as meant.
namespace GbkCodec {

// Text to GBK bytes. Refuses the first character GBK cannot carry: the failure
// lies at its index (UTF-16 unit) in the text.
Result<QByteArray> encode(const QString& text);

// The character at `position` of the text as a text of its own: a surrogate
// pair whole, a lone surrogate as itself. For naming a refused character.
QString characterText(const QString& text, qsizetype position);

// Text to GBK bytes for XML markup: a character GBK cannot carry is written as
// a numeric character reference ("&#x20000;"), which an XML reader turns back
// into the character. Valid only where markup allows references (text and
// attribute values). Never fails.
QByteArray encodeWithCharacterReferences(const QString& text);

// True when every character of the text can be written in GBK.
bool canEncode(const QString& text);

// The byte offset in UTF-8 text of the first character GBK cannot carry (or of
// the first byte that is not UTF-8); -1 when the whole text can be written.
qsizetype firstUnencodableUtf8(QByteArrayView utf8);

// UTF-8 text to GBK bytes, as encode() does for the same text. Refuses the
// first character GBK cannot carry (or byte that is not UTF-8): the failure
// lies at its byte offset.
Result<QByteArray> encodeUtf8(QByteArrayView utf8);

// GBK bytes to text. Refuses the first byte sequence that is not GBK: the
// failure lies at its byte offset.
Result<QString> decode(const QByteArray& bytes);

// Strict UTF-8 bytes to text (no byte-order mark handling).
Result<QString> decodeUtf8(const QByteArray& bytes);

// The contents of a text file: UTF-8 when it starts with the UTF-8 byte-order
// mark (the mark itself is dropped; offsets still count it), GBK otherwise.
Result<QString> decodeFile(const QByteArray& bytes);

// True when the bytes start with the UTF-8 byte-order mark EF BB BF.
bool hasUtf8Bom(const QByteArray& bytes);

} // namespace GbkCodec
