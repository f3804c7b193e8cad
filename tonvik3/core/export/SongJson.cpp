#include "core/export/SongJson.h"

#include <functional>
#include <type_traits>
#include <utility>
#include <vector>

namespace ovk {

namespace {

// Builds the text of one JSON object whose members come one per line.
class CJsonObject {
public:
    explicit CJsonObject(int indent) : m_indent(indent) {}

    CJsonObject& Add(const char* key, const std::string& value)
    {
        m_members.emplace_back(key, value);
        return *this;
    }
    template <class T>
        requires std::is_integral_v<T>
    CJsonObject& Add(const char* key, T value)
    {
        if constexpr (std::is_same_v<T, bool>)
            return Add(key, std::string(value ? "true" : "false"));
        else
            return Add(key, std::to_string(value));
    }

    std::string Text() const
    {
        std::string text = "{\n";
        for (std::size_t i = 0; i < m_members.size(); ++i) {
            text += std::string(m_indent + 2, ' ') + "\"" + m_members[i].first + "\": " + m_members[i].second;
            text += i + 1 < m_members.size() ? ",\n" : "\n";
        }
        return text + std::string(m_indent, ' ') + "}";
    }

private:
    int m_indent;
    std::vector<std::pair<std::string, std::string>> m_members;
};

// A list of numbers on one line.
template <class T, std::size_t N>
std::string NumberList(const T (&values)[N])
{
    std::string text = "[";
    for (std::size_t i = 0; i < N; ++i)
        text += (i ? ", " : "") + std::to_string(values[i]);
    return text + "]";
}

// A list of composite items, one per line; items are made at the inner indentation.
std::string ItemList(std::size_t count, int indent, const std::function<std::string(std::size_t, int)>& item)
{
    if (count == 0)
        return "[]";
    std::string text = "[\n";
    for (std::size_t i = 0; i < count; ++i) {
        text += std::string(indent + 2, ' ') + item(i, indent + 2);
        text += i + 1 < count ? ",\n" : "\n";
    }
    return text + std::string(indent, ' ') + "]";
}

std::string EnvelopeJson(const TOvkEnvelope& e, int indent)
{
    return CJsonObject(indent)
        .Add("min", e.min)
        .Add("max", e.max)
        .Add("speed", e.speed)
        .Add("resetMode", e.resetMode)
        .Add("phase", e.phase)
        .Add("keepPosition", e.keepPosition)
        .Add("sustainPosition", e.sustainPosition)
        .Add("keepEnabled", e.keepEnabled)
        .Add("sustainEnabled", e.sustainEnabled)
        .Text();
}

std::string OscillatorJson(const TOvkOscillator& o, int indent)
{
    return CJsonObject(indent)
        .Add("type", o.type)
        .Add("volume", o.volume)
        .Add("cents", o.cents)
        .Add("fmEnabled", o.fmEnabled)
        .Add("volumeEnvelope", EnvelopeJson(o.volumeEnvelope, indent + 2))
        .Add("transposeEnvelope", EnvelopeJson(o.transposeEnvelope, indent + 2))
        .Text();
}

std::string EffectJson(const TOvkEffect& e, int indent)
{
    return CJsonObject(indent)
        .Add("type", e.type)
        .Add("envelopeA", EnvelopeJson(e.envelopeA, indent + 2))
        .Add("envelopeB", EnvelopeJson(e.envelopeB, indent + 2))
        .Add("p1", e.p1)
        .Add("p2", e.p2)
        .Text();
}

std::string ChannelJson(const COvkModuleChannel& channel, int indent)
{
    const int inner = indent + 2;
    return CJsonObject(indent)
        .Add("volume", channel.volume)
        .Add("envelope", EnvelopeJson(channel.envelope, inner))
        .Add("carriers", ItemList(channel.carriers.size(), inner,
                                  [&](std::size_t i, int at) { return OscillatorJson(channel.carriers[i], at); }))
        .Add("modulators", ItemList(channel.modulators.size(), inner,
                                    [&](std::size_t i, int at) { return OscillatorJson(channel.modulators[i], at); }))
        .Add("effects", ItemList(channel.effects.size(), inner,
                                 [&](std::size_t i, int at) { return EffectJson(channel.effects[i], at); }))
        .Text();
}

} // namespace

std::string SongToJson(const COvkModuleData& song, const TSongTableSize* tables)
{
    const int inner = 2;
    const std::string orders =
        ItemList(kChannels, inner, [&](std::size_t c, int) { return NumberList(song.orderTable[c]); });
    const std::string patterns = ItemList(kChannels, inner, [&](std::size_t c, int at) {
        return ItemList(kPatterns, at, [&](std::size_t p, int) { return NumberList(song.patterns[c][p]); });
    });
    const std::string channels =
        ItemList(kChannels, inner, [&](std::size_t c, int at) { return ChannelJson(song.channels[c], at); });
    CJsonObject derived(inner);
    derived.Add("songLength", song.SongLength()).Add("rowLength", song.RowLength());
    if (tables)
        derived.Add("tableBytes", tables->bytes).Add("tableBytesDeflated", tables->deflated);
    return CJsonObject(0)
               .Add("tempo", song.tempo)
               .Add("masterVolume", song.masterVolume)
               .Add("orderTable", orders)
               .Add("patterns", patterns)
               .Add("channels", channels)
               .Add("derived", derived.Text())
               .Text() +
           "\n";
}

std::string ChannelToJson(const COvkModuleChannel& channel) { return ChannelJson(channel, 0) + "\n"; }

} // namespace ovk
