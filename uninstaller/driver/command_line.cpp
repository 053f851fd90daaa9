#include "uninstaller/driver/command_line.h"

#include "common/sjis.h"

namespace {

bool IsLead(const std::string& line, std::size_t position) {
    return sjis::IsLeadByte(static_cast<unsigned char>(line[position]));
}

bool IsOptionMarker(char byte) { return byte == '-' || byte == '/'; }

}  // namespace

bool ReadQuotedText(const std::string& commandLine, std::size_t& position, std::string& text) {
    std::string taken;
    const std::size_t end = commandLine.size();
    while (position < end) {
        if (IsLead(commandLine, position)) {
            // The trail byte is never examined, so it cannot close the text;
            // a lead byte with nothing after it leaves the text unclosed.
            if (position + 1 >= end) {
                position = end;
                return false;
            }
            taken.append(commandLine, position, 2);
            position += 2;
            continue;
        }
        const char byte = commandLine[position++];
        if (byte == '"') {
            text = std::move(taken);
            return true;
        }
        taken.push_back(byte);
    }
    return false;
}

bool ReadPlainText(const std::string& commandLine, std::size_t& position, std::string& text) {
    text.clear();
    const std::size_t end = commandLine.size();
    while (position < end) {
        if (IsLead(commandLine, position)) {
            const std::size_t width = position + 1 < end ? 2 : 1;  // a lone last lead byte is taken alone
            text.append(commandLine, position, width);
            position += width;
            continue;
        }
        const char byte = commandLine[position++];
        if (byte == ' ') break;  // the ending space is consumed
        text.push_back(byte);
    }
    return true;
}

bool ParseCommandLine(const std::string& commandLine, std::vector<CommandLineParameter>& parameters) {
    const std::size_t end = commandLine.size();
    std::size_t position = 0;
    while (position < end) {
        const char byte = commandLine[position];
        if (byte == ' ') {
            ++position;
            continue;
        }
        CommandLineParameter item;
        if (byte == '"') {
            ++position;
            if (!ReadQuotedText(commandLine, position, item.Value)) return false;
        } else if (IsOptionMarker(byte)) {
            // The name is exactly one byte, whatever it is, and '=' must follow.
            if (position + 1 >= end) return false;
            item.Name.assign(1, commandLine[position + 1]);
            if (position + 2 >= end || commandLine[position + 2] != '=') return false;
            position += 3;
            if (position < end && commandLine[position] == '"') {
                ++position;
                if (!ReadQuotedText(commandLine, position, item.Value)) return false;
            } else {
                ReadPlainText(commandLine, position, item.Value);
            }
        } else {
            ReadPlainText(commandLine, position, item.Value);
        }
        parameters.push_back(std::move(item));
    }
    return true;
}

std::string SkipProgramName(const std::string& processCommandLine) {
    const std::string& line = processCommandLine;
    const std::size_t end = line.size();
    auto isBlank = [&](std::size_t position) { return line[position] == ' ' || line[position] == '\t'; };
    std::size_t position = 0;
    if (end > 0 && line[0] == '"') {
        // Up to the closing quote, which goes with the name; none: all of it.
        position = 1;
        while (position < end && line[position] != '"') position += IsLead(line, position) ? 2 : 1;
        position = position < end ? position + 1 : end;
    } else {
        while (position < end && !isBlank(position)) position += IsLead(line, position) ? 2 : 1;
        if (position > end) position = end;  // a lead byte was the last byte
    }
    while (position < end && isBlank(position)) ++position;
    return line.substr(position);
}
