#include "KVSupport/TKeyInfo.h"

#include "framework/TValueReader.h"
#include "framework/TValueWriter.h"

namespace korvel {

void WriteKeyInfo(TValueWriter& Writer, const TKeyInfo& Info) {
    Writer.WriteInteger(Info.Options | koLayoutMarker);
    Writer.WriteInteger(Info.Style);
    Writer.WriteInteger(Info.Context);
    Writer.WriteInteger(Info.Cursor);
    Writer.WriteInteger(Info.BackColor);
    Writer.WriteInteger(Info.TextColor);
}

int32_t ReadKeyInfo(TValueReader& Reader, TKeyInfo& Info) {
    const int32_t Options = Reader.ReadInteger();
    Info.Options = static_cast<uint8_t>(Options & koKeptOptions);
    Info.Style = static_cast<uint8_t>(Reader.ReadInteger());
    Info.Context = Reader.ReadInteger();
    Info.Cursor = static_cast<int16_t>(Reader.ReadInteger());
    Info.BackColor = Reader.ReadInteger();
    Info.TextColor = Reader.ReadInteger();
    return Options;
}

} // namespace korvel
