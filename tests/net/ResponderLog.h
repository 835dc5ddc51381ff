#pragma once

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace testnet {

// Reads the log in which quorvane-test-responder records every echo request
// it received, oldest first. A line still being written is left out, so the
// log may be read while the responder runs.
class ResponderLog {
public:
    struct Entry {
        std::string dst;
        std::string src;
        int ttl = 0;
        std::uint16_t id = 0;
        std::uint16_t seq = 0;
        std::vector<std::uint8_t> payload;
    };

    // The log of the running test network, named by QV_RESPONDER_LOG.
    static std::vector<Entry> read()
    {
        const char *path = std::getenv("QV_RESPONDER_LOG");
        if (path == nullptr || *path == '\0')
            throw std::runtime_error("QV_RESPONDER_LOG is not set: run under tests/net/with-testnet.sh");
        return read(path);
    }

    static std::vector<Entry> read(const std::string &path)
    {
        std::ifstream file(path, std::ios::binary);
        if (!file)
            throw std::runtime_error("cannot open responder log " + path);
        const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        return parse(text);
    }

    static std::vector<Entry> parse(std::string_view text)
    {
        std::vector<Entry> entries;
        for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
            entries.push_back(parseLine(text.substr(0, end)));
            text.remove_prefix(end + 1);
        }
        return entries;
    }

private:
    static Entry parseLine(std::string_view line)
    {
        std::map<std::string_view, std::string_view> fields;
        while (!line.empty()) {
            const std::size_t space = line.find(' ');
            const std::string_view field = line.substr(0, space);
            const std::size_t equals = field.find('=');
            if (equals == std::string_view::npos)
                throw std::runtime_error("responder log field without '=': " + std::string(field));
            fields[field.substr(0, equals)] = field.substr(equals + 1);
            line.remove_prefix(space == std::string_view::npos ? line.size() : space + 1);
        }

        Entry entry;
        entry.dst = std::string(required(fields, "dst"));
        entry.src = std::string(required(fields, "src"));
        entry.ttl = number<int>(required(fields, "ttl"));
        entry.id = number<std::uint16_t>(required(fields, "id"));
        entry.seq = number<std::uint16_t>(required(fields, "seq"));
        entry.payload = bytes(required(fields, "data"));
        if (entry.payload.size() != number<std::size_t>(required(fields, "len")))
            throw std::runtime_error("responder log entry whose len does not match its data");
        return entry;
    }

    static std::string_view required(const std::map<std::string_view, std::string_view> &fields, std::string_view key)
    {
        const auto found = fields.find(key);
        if (found == fields.end())
            throw std::runtime_error("responder log entry without " + std::string(key));
        return found->second;
    }

    template<typename Number>
    static Number number(std::string_view text, int base = 10)
    {
        Number value{};
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
        if (error != std::errc() || end != text.data() + text.size())
            throw std::runtime_error("bad number in responder log: " + std::string(text));
        return value;
    }

    static std::vector<std::uint8_t> bytes(std::string_view hex)
    {
        if (hex.size() % 2 != 0)
            throw std::runtime_error("odd-length data in responder log");
        std::vector<std::uint8_t> result;
        for (std::size_t i = 0; i < hex.size(); i += 2)
            result.push_back(number<std::uint8_t>(hex.substr(i, 2), 16));
        return result;
    }
};

} // namespace testnet
