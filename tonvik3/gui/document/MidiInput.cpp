#include "gui/document/MidiInput.h"

#include <RtMidi.h>
#include <unistd.h>

#include <mutex>

namespace ovk {

int NoteOnOf(const unsigned char* bytes, std::size_t count)
{
    if (count < 3 || (bytes[0] & 0xF0) != 0x90 || bytes[2] == 0)
        return -1;
    return bytes[1] & 0x7F;
}

namespace {

constexpr const char* kSequencer = "/dev/snd/seq";

class CRtMidiInput : public IMidiInput {
public:
    CRtMidiInput()
    {
        // Without the sequencer device ALSA and RtMidi would only print their
        // complaints on the terminal: say it once, in the menu.
        if (access(kSequencer, R_OK | W_OK) != 0) {
            m_problem = std::string("No ALSA sequencer (") + kSequencer + ")";
            return;
        }
        try {
            m_in = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, "tonvik3");
            m_in->setErrorCallback(&CRtMidiInput::OnError, this);
        } catch (const RtMidiError& e) {
            m_in.reset();
            m_problem = e.getMessage();
        }
    }
    ~CRtMidiInput() override { Close(); }

    bool Available() const override { return m_in != nullptr; }
    std::string Problem() const override { return m_problem; }

    std::vector<std::string> Ports() override
    {
        std::vector<std::string> ports;
        if (!m_in)
            return ports;
        const unsigned int count = m_in->getPortCount();
        for (unsigned int i = 0; i < count; ++i)
            ports.push_back(m_in->getPortName(i));
        return ports;
    }

    bool Open(const std::string& port) override
    {
        Close();
        if (!m_in)
            return false;
        const std::vector<std::string> ports = Ports();
        for (unsigned int i = 0; i < ports.size(); ++i) {
            if (ports[i] != port)
                continue;
            try {
                m_in->openPort(i, "tonvik3 input");
                m_in->setCallback(&CRtMidiInput::OnMessage, this);
                m_in->ignoreTypes(true, true, true);
            } catch (const RtMidiError& e) {
                m_problem = e.getMessage();
                return false;
            }
            m_open = port;
            return true;
        }
        return false;
    }

    void Close() override
    {
        if (m_in && m_in->isPortOpen()) {
            m_in->cancelCallback();
            m_in->closePort();
        }
        m_open.clear();
    }

    std::string OpenPort() const override { return m_open; }

    void SetNoteHandler(TNoteHandler handler) override
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_handler = std::move(handler);
    }

private:
    // On RtMidi's own thread.
    static void OnMessage(double, std::vector<unsigned char>* message, void* self)
    {
        auto* input = static_cast<CRtMidiInput*>(self);
        const int note = NoteOnOf(message->data(), message->size());
        if (note < 0)
            return;
        std::lock_guard<std::mutex> guard(input->m_mutex);
        if (input->m_handler)
            input->m_handler(note);
    }
    // Warnings and errors after start-up (a port that went away) are not
    // worth stopping for; the menu shows the ports as they are.
    static void OnError(RtMidiError::Type, const std::string& text, void* self)
    {
        static_cast<CRtMidiInput*>(self)->m_problem = text;
    }

    std::unique_ptr<RtMidiIn> m_in;
    std::string m_problem;
    std::string m_open;
    std::mutex m_mutex;
    TNoteHandler m_handler;
};

} // namespace

std::unique_ptr<IMidiInput> MakeMidiInput() { return std::make_unique<CRtMidiInput>(); }

} // namespace ovk
