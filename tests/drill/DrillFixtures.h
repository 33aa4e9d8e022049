#pragma once
// A small map and question file for the drill's tests.
//
// Map 80 x 60: sea (top-left), land, a black border at x = 50, and patches:
//   P1 blue   x 25..34, y 15..24  question 1 (信濃川), seed (30, 20); one
//             odd pixel (27, 17) of another blue inside it
//   P2 blue   x 25..34, y 35..44  question 2 (利根川), seed (30, 40)
//   P3 blue   x 55..64, y 15..24  no question names it
//   P4 yellow x 55..64, y 35..44  question 3 (浜名湖, reading hidden, no second name)
//   P5 green  x 70..77, y 15..24  question 4 (ナゾ川, no reading, no related place)
// A sample row names a land point, so land is no answer.
#include <QImage>
#include <QPainter>
#include <QString>

namespace karuvel::test {

constexpr QRgb kSea = 0x6496FF;
constexpr QRgb kLand = 0xE6DCAA;
constexpr QRgb kBlue = 0x0000FF;
constexpr QRgb kOddBlue = 0x0A0AFA;
constexpr QRgb kYellow = 0xFFFF00;
constexpr QRgb kGreenArea = 0x00C800;

inline QImage fixtureMap()
{
    QImage img(80, 60, QImage::Format_RGB32);
    img.fill(QColor::fromRgb(kSea));
    QPainter p(&img);
    p.fillRect(QRect(20, 10, 60, 50), QColor::fromRgb(kLand));
    p.fillRect(QRect(50, 10, 1, 50), Qt::black);
    p.fillRect(QRect(25, 15, 10, 10), QColor::fromRgb(kBlue));
    p.fillRect(QRect(25, 35, 10, 10), QColor::fromRgb(kBlue));
    p.fillRect(QRect(55, 15, 10, 10), QColor::fromRgb(kBlue));
    p.fillRect(QRect(55, 35, 10, 10), QColor::fromRgb(kYellow));
    p.fillRect(QRect(70, 15, 8, 10), QColor::fromRgb(kGreenArea));
    p.end();
    img.setPixel(27, 17, QColor::fromRgb(kOddBlue).rgb());
    return img;
}

inline QString fixtureCsv()
{
    return QStringLiteral(
        "中部,信濃川,しなのがわ,千曲川,ちくまがわ,長野県,新潟県,*,*,*,*,*,*,*,*,30,20,0\r\n"
        "*,無効色,*,*,*,*,*,*,*,*,*,*,*,*,*,22,12,0\r\n"
        "関東,利根川,とねがわ,坂東太郎,ばんどうたろう,群馬県,千葉県,茨城県,*,*,*,*,*,*,*,30,40,0\r\n"
        "中部,\"浜名湖\",は＊まなこ,*,*,静岡県,*,*,*,*,*,*,*,*,*,60,40,0\r\n"
        "*,無効色,*,*,*,*,*,*,*,*,*,*,*,*,*,79,59,0\r\n"
        "九州,ナゾ川,*,*,*,*,*,*,*,*,*,*,*,*,*,74,20,0\r\n");
}

} // namespace karuvel::test
