#include "util/FileCopy.h"

#include "util/PlatformFileSystem.h"

#include <cstddef>
#include <memory>
#include <new>

namespace NCP_Ext {

namespace {

constexpr std::size_t BlockSize = 4096;

bool IsSeparator(char c) {
    return c == '\\' || c == ':' || c == '/';
}

// The time travels at the two-second resolution of the old directory entries, rounded down.
Platform::FileTime ToEvenSeconds(const Platform::FileTime& time) {
    Platform::FileTime even;
    even.Seconds = time.Seconds - (time.Seconds % 2 + 2) % 2;
    even.Nanoseconds = 0;
    return even;
}

// True when the destination's name leads to the source file itself (the same path written otherwise, a
// link, a volume directory that is the source directory): replacing it would be copying a file onto itself.
bool IsSourceItself(const Platform::SourceFile& sourceFile, Platform::FileSystem& sourceFiles,
                    Platform::FileSystem& destinationFiles, const std::string& destination) {
    Platform::FileIdentity identity;
    if (&sourceFiles == &destinationFiles)
        return destinationFiles.Identify(destination, identity) && identity == sourceFile.Identity();
    // A destination written through another file system (a server's volume over the network) may still be
    // the local source, when that volume is also a local directory (a server on this machine).
    return &sourceFiles == &Platform::LocalFiles() &&
           Platform::LocalFiles().Identify(destination, identity) && identity == sourceFile.Identity();
}

CopyProblem ProblemOf(Platform::CreateResult result) {
    switch (result) {
    case Platform::CreateResult::ReadOnly:
        return CopyProblem::ReadOnlyDestination;
    case Platform::CreateResult::NotAFile:
        return CopyProblem::DestinationNotAFile;
    case Platform::CreateResult::NoRights:
        return CopyProblem::NoRights;
    case Platform::CreateResult::NoRoom:
        return CopyProblem::SizeOrSpaceLimit;
    case Platform::CreateResult::ConnectionLost:
        return CopyProblem::ConnectionLost;
    case Platform::CreateResult::Cancelled:
        return CopyProblem::Cancelled;
    case Platform::CreateResult::Created:
    case Platform::CreateResult::Refused:
        break;
    }
    return CopyProblem::Other;
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
    CopyProblem problem = CopyProblem::None;
    return CopyFile(source, destination, problem);
}

std::uint16_t CopyFile(const std::string& source, const std::string& destination, CopyProblem& problem,
                       const CopyProgress& progress) {
    const auto fail = [&problem](CopyProblem why) {
        problem = why;
        return CopyFailed;
    };
    problem = CopyProblem::None;
    std::string completedDestination = destination;
    CompleteDestName(source, completedDestination);

    Platform::FileSystem& sourceFiles = Platform::FilesFor(source);
    Platform::FileSystem& destinationFiles = Platform::FilesFor(completedDestination);
    std::unique_ptr<Platform::SourceFile> sourceFile;
    if (const Platform::OpenResult opened = sourceFiles.OpenForReading(source, sourceFile);
        opened != Platform::OpenResult::Opened)
        return fail(opened == Platform::OpenResult::Missing ? CopyProblem::SourceMissing
                                                            : CopyProblem::SourceUnreadable);
    Platform::FileAttributes attributes;
    const bool haveAttributes = sourceFile->ReadAttributes(attributes);

    if (IsSourceItself(*sourceFile, sourceFiles, destinationFiles, completedDestination))
        return fail(CopyProblem::SameFile);

    // The new contents go beside the destination; an old file there stays as it is until they are complete.
    std::unique_ptr<Platform::ReplacementFile> destinationFile;
    const Platform::CreateResult created =
        destinationFiles.CreateReplacement(completedDestination, destinationFile);
    if (created != Platform::CreateResult::Created) {
        // A read-only destination is refused but gets the source's attributes, so that a source without the
        // read-only attribute leaves it writable for the next attempt. Any other refused destination stays
        // as it was.
        if (created == Platform::CreateResult::ReadOnly && haveAttributes)
            destinationFiles.WriteAttributes(completedDestination, attributes);
        return fail(ProblemOf(created));
    }

    // The one buffer of the copy, taken before the loop and given back after it.
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[BlockSize]);
    if (!buffer)
        return fail(CopyProblem::Other);

    std::ptrdiff_t bytesRead = 0;
    std::ptrdiff_t bytesWritten = 0;
    std::uint64_t copied = 0;
    do {
        bytesRead = sourceFile->ReadBlock(buffer.get(), BlockSize);
        // Nothing sensible can follow a source that cannot be read.
        if (bytesRead < 0)
            return fail(CopyProblem::SourceUnreadable);
        bytesWritten = bytesRead == 0
                           ? 0
                           : destinationFile->WriteBlock(buffer.get(), static_cast<std::size_t>(bytesRead));
        if (bytesWritten > 0 && progress) {
            copied += static_cast<std::uint64_t>(bytesWritten);
            progress(copied);
        }
        // A block that did not arrive whole ends the copy: it is the last block, and it failed.
    } while (bytesRead == static_cast<std::ptrdiff_t>(BlockSize) && bytesWritten == bytesRead);
    buffer.reset();
    if (bytesRead != bytesWritten)
        return fail(ProblemOf(destinationFile->Failure()));

    // Time and attributes are on the new file before it takes the destination's place; failures to carry
    // them over do not fail the copy.
    Platform::FileTime modified;
    if (sourceFile->ReadModificationTime(modified))
        destinationFile->SetModificationTime(ToEvenSeconds(modified));
    if (haveAttributes)
        destinationFile->SetAttributes(attributes);
    return destinationFile->Commit() ? 0 : fail(ProblemOf(destinationFile->Failure()));
}

} // namespace NCP_Ext
