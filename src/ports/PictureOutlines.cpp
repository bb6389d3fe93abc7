#include "ports/PictureOutlines.h"

#include <charconv>
#include <cmath>

namespace zarava {

namespace {

std::vector<std::string_view> Tokens(std::string_view line) {
    std::vector<std::string_view> tokens;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t\r", at);
        if (start == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(line.find_first_of(" \t\r", start), line.size());
        tokens.push_back(line.substr(start, end - start));
        at = end;
    }
    return tokens;
}

bool ToNumber(std::string_view token, double& value) {
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    return error == std::errc() && end == token.data() + token.size() && std::isfinite(value);
}

bool ToSide(std::string_view token, int& side) {
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), side);
    return error == std::errc() && end == token.data() + token.size() && side > 0 && side <= 0xFFFF;
}

bool ToColour(std::string_view token, Rgb& colour) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value, 16);
    if (token.size() != 6 || error != std::errc() || end != token.data() + token.size()) {
        return false;
    }
    colour = {static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 8),
              static_cast<unsigned char>(value)};
    return true;
}

// A contour command and exactly its points.
bool ToStep(const std::vector<std::string_view>& tokens, bool started, OutlineStep& step) {
    const std::string_view command = tokens[0];
    int points = 0;
    if (command == "M") {
        step.kind = OutlineStep::Move;
        points = 1;
    } else if (command == "L" && started) {
        step.kind = OutlineStep::Line;
        points = 1;
    } else if (command == "C" && started) {
        step.kind = OutlineStep::Curve;
        points = 3;
    } else if (command == "Z" && started) {
        step.kind = OutlineStep::Close;
    } else {
        return false;
    }
    if (tokens.size() != static_cast<std::size_t>(1 + 2 * points)) {
        return false;
    }
    for (int i = 0; i < 2 * points; ++i) {
        if (!ToNumber(tokens[static_cast<std::size_t>(1 + i)], step.points[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

PictureOutlines ParseOutlines(std::string_view text) {
    struct Pending {
        std::string name;
        OutlinePicture picture;
    };
    std::vector<OutlineShape> shapes;
    std::vector<bool> valid;
    std::map<std::string, std::size_t, std::less<>> shapeByName;
    std::vector<Pending> pictures;
    std::size_t current = SIZE_MAX; // the shape that takes contours
    bool started = false;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::vector<std::string_view> tokens = Tokens(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (tokens.empty() || tokens[0].front() == '#') {
            continue;
        }
        if (tokens[0] == "shape") {
            OutlineShape shape;
            const bool ok = tokens.size() == 3 && ToNumber(tokens[2], shape.widen) &&
                            shape.widen >= 0 && !shapeByName.contains(tokens[1]);
            current = shapes.size();
            if (ok) {
                shapeByName.emplace(std::string(tokens[1]), current);
            }
            shapes.push_back(std::move(shape));
            valid.push_back(ok);
            started = false;
        } else if (tokens[0] == "picture") {
            current = SIZE_MAX;
            Pending p;
            const auto shape = tokens.size() == 7 ? shapeByName.find(tokens[6]) : shapeByName.end();
            if (shape != shapeByName.end() && ToSide(tokens[2], p.picture.width) &&
                ToSide(tokens[3], p.picture.height) && ToColour(tokens[4], p.picture.background) &&
                ToColour(tokens[5], p.picture.ink)) {
                p.name = std::string(tokens[1]);
                p.picture.shape = shape->second;
                pictures.push_back(std::move(p));
            }
        } else if (current != SIZE_MAX) {
            OutlineStep step;
            if (ToStep(tokens, started, step)) {
                started = true;
                shapes[current].steps.push_back(step);
            } else {
                valid[current] = false;
            }
        }
    }
    PictureOutlines result;
    result.shapes = std::move(shapes);
    for (Pending& p : pictures) {
        if (valid[p.picture.shape] && !result.shapes[p.picture.shape].steps.empty()) {
            result.pictures.insert_or_assign(std::move(p.name), p.picture);
        }
    }
    return result;
}

} // namespace zarava
