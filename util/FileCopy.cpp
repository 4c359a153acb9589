#include "util/FileCopy.h"

#include "util/PlatformFile.h"
#include "util/PlatformPaths.h"

#include <cstddef>
#include <memory>
#include <new>

namespace NCP_Ext {

namespace {

constexpr std::size_t BlockSize = 4096;

bool IsSeparator(char c) {
    return c == '\\' || c == ':' || c == '/';
}

// Sets the source's attributes on whatever carries the destination's name; failures do not matter here.
void CopyAttributes(const std::string& localSource, const std::string& destination) {
    std::string localDestination;
    Platform::FileAttributes attributes;
    if (!Platform::ReadFileAttributes(localSource, attributes))
        return;
    if (!Platform::ToLocalPath(destination, localDestination))
        return;
    Platform::WriteFileAttributes(localDestination, attributes);
}

// The time travels at the two-second resolution of the old directory entries, rounded down.
Platform::FileTime ToEvenSeconds(const Platform::FileTime& time) {
    Platform::FileTime even;
    even.Seconds = time.Seconds - (time.Seconds % 2 + 2) % 2;
    even.Nanoseconds = 0;
    return even;
}

} // namespace

FilePath SplitFileName(const std::string& fileName) {
    // '/' separates directories as well as '\' and ':', so that local Linux paths split as expected.
    std::size_t nameStart = 0;
    for (std::size_t i = fileName.size(); i > 0; --i) {
        if (IsSeparator(fileName[i - 1])) {
            nameStart = i;
            break;
        }
    }
    FilePath parts;
    parts.Dir = fileName.substr(0, nameStart);
    const std::string namePart = fileName.substr(nameStart);
    const std::size_t firstDot = namePart.find('.');
    parts.Name = namePart.substr(0, firstDot);
    const std::size_t lastDot = namePart.rfind('.');
    if (lastDot != std::string::npos)
        parts.Ext = namePart.substr(lastDot);
    return parts;
}

void CompleteDestName(const std::string& source, std::string& destination) {
    const FilePath sourceParts = SplitFileName(source);
    const FilePath destinationParts = SplitFileName(destination);
    if (destinationParts.Name.empty())
        destination = destinationParts.Dir + sourceParts.Name + sourceParts.Ext;
}

std::uint16_t CopyFile(const std::string& source, const std::string& destination) {
    std::string completedDestination = destination;
    CompleteDestName(source, completedDestination);
    std::uint16_t status = CopyFailed;

    std::string localSource;
    Platform::PlatformFile sourceFile;
    if (!Platform::ToLocalPath(source, localSource) || !sourceFile.OpenForReading(localSource))
        return CopyFailed;

    std::string localDestination;
    Platform::PlatformFile destinationFile;
    if (!Platform::ToLocalPath(completedDestination, localDestination) ||
        !destinationFile.CreateForWriting(localDestination)) {
        sourceFile.Close();
        // A source without the read-only attribute thereby leaves a read-only destination writable for the
        // next attempt.
        CopyAttributes(localSource, completedDestination);
        return CopyFailed;
    }

    // The one buffer of the copy, taken before the loop and given back after it.
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[BlockSize]);
    if (!buffer) {
        destinationFile.Close();
        sourceFile.Close();
        CopyAttributes(localSource, completedDestination);
        return CopyFailed;
    }

    std::ptrdiff_t bytesRead = 0;
    std::ptrdiff_t bytesWritten = 0;
    do {
        bytesRead = sourceFile.ReadBlock(buffer.get(), BlockSize);
        if (bytesRead < 0) {
            // Nothing sensible can follow a source that cannot be read: give up with both files closed.
            buffer.reset();
            destinationFile.Close();
            sourceFile.Close();
            return CopyFailed;
        }
        bytesWritten = bytesRead == 0
                           ? 0
                           : destinationFile.WriteBlock(buffer.get(), static_cast<std::size_t>(bytesRead));
        // A block that did not arrive whole ends the copy: it is the last block, and it failed.
    } while (bytesRead == static_cast<std::ptrdiff_t>(BlockSize) && bytesWritten == bytesRead);
    buffer.reset();

    Platform::FileTime modified;
    if (sourceFile.ReadModificationTime(modified))
        destinationFile.SetModificationTime(ToEvenSeconds(modified));

    if (bytesRead == bytesWritten)
        status = 0;

    if (!destinationFile.Close())
        status = CopyFailed;
    sourceFile.Close();

    CopyAttributes(localSource, completedDestination);
    return status;
}

} // namespace NCP_Ext
