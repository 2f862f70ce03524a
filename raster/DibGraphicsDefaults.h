#pragma once
// The program-wide default drawing objects, made on first use (after the resource managers and
// their default resources) and freed at exit. Assign from no object copies from them.

namespace kolvar {

class TDibBrush;
class TDibGradient;
class TDibPattern;
class TDibPen;

TDibBrush& DefaultBrush();
TDibPen& DefaultPen();
TDibGradient& DefaultGradient();
TDibPattern& DefaultPattern();

} // namespace kolvar
