// FrameDecoder on arbitrary line bytes, fed in pieces as a serial line hands
// them over.
//
// Input: a count byte N (taken modulo maxChunkSizes + 1), N chunk sizes of one
// byte each, then the line bytes. The line is fed in pieces of those sizes, in
// turn (a size of 0 feeds an empty piece); with N = 0, or only sizes of 0,
// it is fed byte by byte. Piece K arrives at K ms; at the end, incomplete
// frames begun by the middle of the run are given up.

#include "frames.h"
#include "fuzzcheck.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <algorithm>
#include <cstdint>
#include <optional>

using namespace WendalinkProtocol;

namespace {

constexpr size_t maxChunkSizes = 16;

struct DecodeRun
{
    QList<Frame> frames;
    qint64 droppedFrames = 0;
    qint64 skippedBytes = 0;
    qsizetype pendingBytes = 0;
};

DecodeRun finish(FrameDecoder &decoder, QList<Frame> frames)
{
    frames += decoder.takeFrames();
    return {frames, decoder.droppedFrames(), decoder.skippedBytes(), decoder.pendingBytes()};
}

DecodeRun decodeInChunks(QByteArrayView line, QByteArrayView chunkSizes)
{
    // Sizes that are all 0 would never get through the line.
    const bool byteByByte
        = std::all_of(chunkSizes.begin(), chunkSizes.end(), [](char size) { return size == 0; });
    FrameDecoder decoder;
    QList<Frame> frames;
    qsizetype position = 0;
    qint64 lastTurn = 0;
    for (qsizetype turn = 0; position < line.size(); ++turn) {
        const qsizetype wanted
            = byteByByte ? 1 : qsizetype(quint8(chunkSizes[turn % chunkSizes.size()]));
        const qsizetype size = std::min(wanted, line.size() - position);
        decoder.feed(line.sliced(position, size), turn);
        position += size;
        // Taking frames out between pieces must not disturb the decoding.
        if (turn % 2 == 0)
            frames += decoder.takeFrames();
        fuzzCheck(decoder.pendingBytes() < maxFrameSize, "at most one incomplete frame is held");
        lastTurn = turn;
    }
    FrameDecoder aged = decoder;
    const qint64 cutoff = lastTurn / 2;
    aged.abandonFramesStartedBy(cutoff);
    fuzzCheck(aged.pendingBytes() == 0
            || (aged.pendingSinceMs() > cutoff && aged.pendingSinceMs() <= lastTurn),
        "what is held after giving up old frames began after the cut-off");
    return finish(decoder, frames);
}

qsizetype frameSize(const Frame &frame)
{
    return headerSize + frame.payload.size() + crcSize;
}

bool sameRun(const DecodeRun &a, const DecodeRun &b)
{
    return a.frames == b.frames && a.droppedFrames == b.droppedFrames
        && a.skippedBytes == b.skippedBytes && a.pendingBytes == b.pendingBytes;
}

template<typename Message>
void checkTypedRoundTrip(const Frame &frame, const QByteArray &encoded)
{
    if (const std::optional<Message> message = decode<Message>(frame))
        fuzzCheck(encode(*message) == encoded, "a parsed payload encodes to the same frame");
}

void checkFrame(const Frame &frame)
{
    fuzzCheck(
        isKnownFrameType(quint8(frame.type)) && payloadSizeFits(frame.type, frame.payload.size()),
        "a decoded frame has a known type and a payload size that fits it");

    const QByteArray encoded = encodeFrame(frame.type, frame.payload);
    fuzzCheck(encoded.size() == frameSize(frame), "a decoded frame encodes whole");
    FrameDecoder again;
    again.feed(encoded);
    const QList<Frame> reread = again.takeFrames();
    fuzzCheck(reread.size() == 1 && reread.front() == frame && again.pendingBytes() == 0
            && again.droppedFrames() == 0 && again.skippedBytes() == 0,
        "a re-encoded frame decodes to itself alone");

    checkTypedRoundTrip<InitRequest>(frame, encoded);
    checkTypedRoundTrip<InitAnswer>(frame, encoded);
    checkTypedRoundTrip<TerminalMessage>(frame, encoded);
    checkTypedRoundTrip<TerminalConfiguration>(frame, encoded);
    checkTypedRoundTrip<SerialMessage>(frame, encoded);
    checkTypedRoundTrip<SerialSend>(frame, encoded);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const auto *bytes = reinterpret_cast<const char *>(data);
    const size_t chunkCount = std::min(size_t(data[0]) % (maxChunkSizes + 1), size - 1);
    const QByteArrayView chunkSizes(bytes + 1, qsizetype(chunkCount));
    const QByteArrayView line(bytes + 1 + chunkCount, qsizetype(size - 1 - chunkCount));

    const DecodeRun chunked = decodeInChunks(line, chunkSizes);
    FrameDecoder wholeDecoder;
    wholeDecoder.feed(line);
    const DecodeRun whole = finish(wholeDecoder, {});
    fuzzCheck(sameRun(chunked, whole), "feeding in pieces decodes as feeding in one piece");

    // The line went quiet: give up the incomplete frame until nothing is held back.
    QList<Frame> frames = whole.frames;
    wholeDecoder.abandonFramesStartedBy(0);
    fuzzCheck(wholeDecoder.pendingBytes() == 0, "giving up every old frame leaves nothing held");
    frames += wholeDecoder.takeFrames();

    qint64 frameBytes = 0;
    QByteArray reencoded;
    for (const Frame &frame : frames) {
        checkFrame(frame);
        frameBytes += frameSize(frame);
        reencoded += encodeFrame(frame.type, frame.payload);
    }
    fuzzCheck(
        frameBytes + wholeDecoder.droppedFrames() + wholeDecoder.skippedBytes() == line.size(),
        "every byte is part of a frame, a dropped start marker or skipped");

    FrameDecoder cleanDecoder;
    cleanDecoder.feed(reencoded);
    fuzzCheck(cleanDecoder.takeFrames() == frames && cleanDecoder.droppedFrames() == 0
            && cleanDecoder.pendingBytes() == 0,
        "the frames found, sent again back to back, decode to the same frames");
    return 0;
}
