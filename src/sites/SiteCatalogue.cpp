// The 93 catalogue entries with their captions and host names, and site selection.
#include "sites/SiteCatalogue.h"

#include <array>
#include <cstdlib>
#include <utility>

#ifndef KF_ENGINE_HOST
#define KF_ENGINE_HOST "www.baidu.com"
#endif

namespace kf {
namespace {

constexpr std::array<SiteEntry, SiteCount> entries {{
    {1, 1, "百度网盘", "pan.baidu.com"},
    {2, 1, "360云盘", "yunpan.360.cn"},
    {3, 1, "115网盘", "115.com"},
    {4, 1, "城通网盘", "www.400gb.com"},
    {5, 1, "Good网盘", "www.goodpan.com"},
    {6, 1, "千军万马", "www.qjwm.com"},
    {7, 1, "爱问共享", "ishare.iask.sina.com.cn"},
    {8, 1, "迅雷快传", "kuai.xunlei.com"},
    {9, 1, "飞速网盘", "www.rayfile.com"},
    {10, 1, "华为网盘", "www.dbank.com"},
    {11, 1, "千易网盘", "www.1000eb.com"},
    {12, 1, "金山快盘", "www.kuaipan.cn"},
    {13, 1, "千脑网盘", "www.qiannao.com"},
    {14, 1, "盛大网盘", "www.everbox.com"},
    {15, 1, "GXP共享盘", "www.gxp.cc"},
    {16, 1, "CSDN下载", "download.csdn.net"},
    {17, 1, "非凡软件", "www.crsky.com"},
    {18, 1, "多特软件", "www.duote.com"},
    {19, 3, "QQ业务乐园", "www.qqywf.com"},
    {20, 3, "钻石皇朝", "www.zshc.cc"},
    {21, 3, "爱上QQ吧", "www.aqq8.com"},
    {22, 3, "QQ泡沫乐园", "www.qqpm.net"},
    {23, 3, "聚Q网", "www.juq.cc"},
    {24, 3, "Js娱乐社区", "www.jsyl.cc"},
    {25, 3, "QQ前线", "www.qqqx.net"},
    {26, 3, "QQ资源网", "www.qqzyw.com"},
    {27, 3, "黑基联盟", "www.hackbase.com"},
    {28, 3, "QQ泡泡网", "www.qqpao.com"},
    {29, 3, "3G安全网", "www.3gaq.com"},
    {30, 3, "技术QQ网", "www.jsqq.net"},
    {31, 4, "单机游讯网", "www.yxdown.com"},
    {32, 4, "单机游侠网", "www.ali213.net"},
    {33, 4, "游民星空网", "www.gamersky.com"},
    {34, 4, "巴士单机网", "pc.tgbus.com"},
    {35, 4, "962乐游网", "www.962.net"},
    {36, 4, "52PK单机网", "www.52pk.com"},
    {37, 4, "逗游游戏网", "www.doyo.cn"},
    {38, 4, "91单机游戏", "www.91danji.com"},
    {39, 4, "99单机游戏", "www.99danji.com"},
    {40, 4, "斗蟹游戏网", "www.douxie.com"},
    {41, 4, "多特单机网", "www.duote.com"},
    {42, 4, "玩游戏网游", "www.wanyx.com"},
    {43, 4, "多玩游戏网", "www.duowan.com"},
    {44, 4, "飞翔游戏网", "www.fxxz.com"},
    {45, 4, "hao123游戏", "game.hao123.com"},
    {46, 5, "百度影音", "yingyin.baidu.com"},
    {47, 5, "热片网", "www.repian.com"},
    {48, 5, "热片网", "www.repian.cc"},
    {49, 5, "跑跑影院", "www.ppyy.cc"},
    {50, 5, "猪猪影院", "www.zzyy.cc"},
    {51, 5, "西瓜电影", "www.xiguady.com"},
    {52, 5, "7273影视", "www.7273.tv"},
    {53, 5, "中影网", "www.zhongying.cc"},
    {54, 5, "土豆网", "www.tudou.com"},
    {55, 5, "优酷视频", "www.youku.com"},
    {56, 5, "113影视", "www.113ys.com"},
    {57, 5, "迅雷看看", "www.kankan.com"},
    {58, 5, "风 行 网", "www.funshion.com"},
    {59, 5, "暴风影音", "www.baofeng.com"},
    {60, 5, "QQLive", "live.qq.com"},
    {61, 5, "腾讯视频", "v.qq.com"},
    {62, 5, "M1905网", "www.m1905.com"},
    {63, 5, "51人人看", "www.51rrkan.com"},
    {64, 6, "一听音乐", "www.1ting.com"},
    {65, 6, "九酷音乐", "www.9ku.com"},
    {66, 6, "天地人音乐", "www.tdrmusic.com"},
    {67, 6, "今生缘音乐", "www.jsymusic.com"},
    {68, 6, "虾米音乐", "www.xiami.com"},
    {69, 6, "酷我音乐", "www.kuwo.cn"},
    {70, 6, "365音乐", "www.yue365.com"},
    {71, 6, "56音乐网", "www.565656.com"},
    {72, 6, "听三零音乐", "www.ting30.com"},
    {73, 6, "SongTaste", "www.songtaste.com"},
    {74, 6, "我爱音乐", "www.5nd.com"},
    {75, 6, "音乐Mp3", "www.yymp3.com"},
    {76, 6, "叮当音乐网", "www.ddyy.cc"},
    {77, 6, "骑士音乐", "www.qishi.cc"},
    {78, 6, "西西音乐", "www.xixiyy.com"},
    {79, 6, "腾讯音乐网", "y.qq.com"},
    {80, 6, "50888音乐", "www.50888.com"},
    {81, 6, "百度音乐", "music.baidu.com"},
    {82, 2, "奇奇外挂", "www.77wg.com"},
    {83, 2, "592外挂", "www.592wg.com"},
    {84, 2, "UCBUG游戏", "www.ucbug.com"},
    {85, 2, "我爱秘籍", "www.52miji.com"},
    {86, 2, "绿色联盟wg", "www.lslmwg.com"},
    {87, 2, "1234外挂", "www.1234wg.com"},
    {88, 2, "小林子wg", "www.xlzwg.com"},
    {89, 2, "艾艾外挂", "www.aiaiwg.com"},
    {90, 2, "冒险岛wg", "www.mxdwg.com"},
    {91, 2, "挂挂一族", "www.gg1z.com"},
    {92, 2, "东东游戏wg", "www.ddwg.com"},
    {93, 2, "T6T8外挂", "www.t6t8.com"},
}};

constexpr std::array<std::string_view, PageCount> pageCaptions {
    "搜索网盘",
    "外挂辅助",
    "QQ教程网",
    "单机游戏",
    "电影视频",
    "音乐倾听",
};

} // namespace

std::span<const SiteEntry> SiteCatalogue()
{
    return entries;
}

const SiteEntry* FindSite(int number)
{
    if (number < 1 || number > SiteCount) {
        return nullptr;
    }
    return &entries[static_cast<std::size_t>(number - 1)];
}

std::span<const std::string_view> PageCaptions()
{
    return pageCaptions;
}

Text EngineAddress()
{
    // Read once: the environment does not change while the program runs, and getenv is not
    // safe against a concurrent setenv.
    static const Text address = [] {
        const char* url = std::getenv("KESTRELFIND_ENGINE_URL");
        return Text(url && *url ? url : "http://" KF_ENGINE_HOST);
    }();
    return address;
}

void SelectSite(Globals& globals, std::string_view domain)
{
    Text prefix = EngineAddress();
    prefix += "/s?wd=site:";
    prefix += domain;
    prefix += ' ';
    globals.SiteQueryPrefix.Set(std::move(prefix));
}

void OnSiteButtonClicked(Globals& globals, int number, bool checked)
{
    const SiteEntry* entry = FindSite(number);
    if (checked && entry) {
        SelectSite(globals, entry->domain);
    }
}

} // namespace kf
