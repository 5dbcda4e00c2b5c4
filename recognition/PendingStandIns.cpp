// Temporary stand-ins for outline tracing and picture loading, which are being built on
// their own branches; this file goes as soon as they land.
#include "AppError.h"
#include "ChainCode.h"
#include "Contour.h"
#include "LoadPicture.h"
#include "Matching.h"
#include "TurnSignature.h"
bool TraceContour(RowTable &, const item &, Contour &c)
{
    c.clear();
    return false;
}
void BuildChainCode(const Contour &, ChainCode &) { }
std::string BuildTurnSignature(const ChainCode &, std::int32_t)
{
    return std::string(100, 'L');
}
char MatchSignature(std::string_view)
{
    return '0';
}
QString LoadPicture(const QString &f, TBitmap &, RowTable &)
{
    throw AppError("stub " + f.toStdString());
}
