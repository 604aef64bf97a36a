#include "client/pages/retrieval-request.h"

#include "store/temp-files.h"

#include <system_error>

namespace rv
{

void TempBodyFile::Create(const std::filesystem::path& programFolder)
{
    Discard();
    std::filesystem::path path = CreateTempFile(programFolder, TempPrefixBinary);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
    {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        throw StreamError("Cannot open temporary file " + path.string());
    }
    file_ = file;
    path_ = std::move(path);
    size_ = 0;
}

bool TempBodyFile::Append(const void* bytes, std::size_t count)
{
    if (!file_)
        return false;
    if (count > 0 && std::fwrite(bytes, 1, count, file_) != count)
        return false;
    size_ += count;
    return true;
}

void TempBodyFile::Close()
{
    if (file_)
    {
        std::fclose(file_);
        file_ = nullptr;
    }
}

void TempBodyFile::Discard()
{
    Close();
    if (!path_.empty())
    {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
        path_.clear();
    }
    size_ = 0;
}

RequestState StateOf(const RetrievalRequest& request)
{
    if (request.Processed)
        return RequestState::Handled;
    if (!request.InProgress)
        return RequestState::Complete;
    return request.NotStarted ? RequestState::Waiting : RequestState::Open;
}

std::unique_ptr<RetrievalRequest> CopyForRetry(const RetrievalRequest& r)
{
    auto copy = std::make_unique<RetrievalRequest>();
    copy->URL = r.URL;
    copy->FirstOfBrief = r.FirstOfBrief;
    copy->SkipRequested = r.SkipRequested;
    copy->RequestId = r.RequestId;
    copy->ChildCount = r.ChildCount;
    copy->Entry = r.Entry;
    copy->Brief = r.Brief;
    copy->Cache = r.Cache;
    copy->TopLink = r.TopLink;
    copy->EntryURL = r.EntryURL;
    copy->IndexDB = r.IndexDB;
    copy->Retries = r.Retries;
    copy->IsEntryPage = r.IsEntryPage;
    copy->LoadAsFile = r.LoadAsFile;
    copy->EntryIndex = r.EntryIndex;
    copy->Depth = r.Depth;
    copy->Level = r.Level;
    copy->WentExternal = r.WentExternal;
    copy->ReferrerChain = r.ReferrerChain;
    copy->Uncounted = r.Uncounted;
    copy->Deferred = r.Deferred;
    copy->TimeOut = r.TimeOut;
    copy->LinkNumber = r.LinkNumber;
    copy->FrameContext = r.FrameContext;
    copy->LocalSource = r.LocalSource;
    copy->Referrer = r.Referrer;
    copy->UseCredentials = r.UseCredentials;
    copy->FollowExternal = r.FollowExternal;
    copy->AlwaysSuccessful = r.AlwaysSuccessful;
    copy->AgentComment = r.AgentComment;
    copy->Had401 = r.Had401;
    copy->Redirects = r.Redirects;
    copy->IsRetryCopy = 1;
    return copy;
}

void FreeTransfer(RetrievalRequest& request)
{
    request.Data.Clear();
    request.RequestText.clear();
    request.RequestText.shrink_to_fit();
    request.TempFile.Discard();
}

} // namespace rv
