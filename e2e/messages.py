"""The programs' message texts as CP932 bytes, written out in hex so that the
checks do not share a literal (or a codec) with the code under test."""

UNINSTALLER_CAPTION = b"Uninstaller"
ERROR_FLAGS = 0x00050000        # MB_OK | MB_SETFOREGROUND | MB_TOPMOST
QUESTION_FLAGS = 0x00000004     # MB_YESNO

# コマンドラインの解析に失敗しました
PARSE_FAILED = bytes.fromhex(
    "8352837d8393836883898343839382cc89f090cd82c98eb8947382b582dc82b582bd")


def undefined_parameter(name: bytes) -> bytes:
    """未定義のパラメータ【 %s 】で、アンインストーラが実行されました"""
    return (bytes.fromhex("96a292e88b6082cc837083898381815b835e817920") + name
            + bytes.fromhex("20817a82c58141834183938343839383588367815b838982aa8ec08d7382b382ea82dc82b582bd"))


def settings_unreadable(path: bytes) -> bytes:
    """インストーラ設定ファイル【%s】\\n読み込みに失敗しました"""
    return (bytes.fromhex("8343839383588367815b838990dd92e8837483408343838b8179") + path
            + bytes.fromhex("817a0a93c782dd8d9e82dd82c98eb8947382b582dc82b582bd"))


def uninstall_question(game_name: bytes) -> bytes:
    """『%s』をアンインストールします。\\nよろしいですか？\\n\\n※セーブデータは各ユーザーアカウントごとに残ります"""
    return (bytes.fromhex("8177") + game_name + bytes.fromhex(
        "817882f0834183938343839383588367815b838b82b582dc82b781420a82e682eb82b582a282c582b782a981480a0a"
        "81a6835a815b83758366815b835e82cd8a658386815b8355815b8341834a83458393836782b282c682c98e6382e882dc82b7"))

DONE_FLAGS = 0x00000000         # MB_OK

# アンインストールが完了しました
UNINSTALL_DONE = bytes.fromhex("834183938343839383588367815b838b82aa8aae97b982b582dc82b582bd")

# アンインストールに失敗しました
UNINSTALL_FAILED = bytes.fromhex("834183938343839383588367815b838b82c98eb8947382b582dc82b582bd")

# アンインストーラの実行に失敗しました
RELAUNCH_FAILED = bytes.fromhex("834183938343839383588367815b838982cc8ec08d7382c98eb8947382b582dc82b582bd")

FOLDER_FAILED_FLAGS = 0x00000010    # MB_ICONERROR, OK only


def folder_not_removed(path: bytes) -> bytes:
    """【 %s 】\\nフォルダの削除に失敗しました"""
    return (bytes.fromhex("817920") + path
            + bytes.fromhex("20817a0a83748348838b835f82cc8ded8f9c82c98eb8947382b582dc82b582bd"))


# ---- Prefclear ----
# コンフィグ設定初期化
PREFCLEAR_CAPTION = bytes.fromhex("8352839383748342834f90dd92e88f898afa89bb")
PREFCLEAR_QUESTION_FLAGS = 0x00000001   # MB_OKCANCEL


def reset_question(game_name: bytes) -> bytes:
    """このプログラムは、『%s』のコンフィグ設定を初期化するものです。\\n初期化してもよろしいですか？\\n\\n※その他のセーブデータは削除されません"""
    return (bytes.fromhex("82b182cc8376838d834f8389838082cd81418177") + game_name + bytes.fromhex(
        "817882cc8352839383748342834f90dd92e882f08f898afa89bb82b782e982e082cc82c582b781420a"
        "8f898afa89bb82b582c482e082e682eb82b582a282c582b782a981480a0a"
        "81a682bb82cc91bc82cc835a815b83758366815b835e82cd8ded8f9c82b382ea82dc82b982f1"))


# 中止しました
RESET_CANCELLED = bytes.fromhex("92868e7e82b582dc82b582bd")
# 初期化しました
RESET_DONE = bytes.fromhex("8f898afa89bb82b582dc82b582bd")


def startup_malformed(path: bytes) -> bytes:
    """【 %s 】の解析に失敗しました"""
    return bytes.fromhex("817920") + path + bytes.fromhex("20817a82cc89f090cd82c98eb8947382b582dc82b582bd")


def startup_unreadable(path: bytes) -> bytes:
    """【 %s 】の読み込みに失敗しました"""
    return bytes.fromhex("817920") + path + bytes.fromhex("20817a82cc93c782dd8d9e82dd82c98eb8947382b582dc82b582bd")


def startup_parse_error(path: bytes) -> bytes:
    """【 %s 】解析エラー"""
    return bytes.fromhex("817920") + path + bytes.fromhex("20817a89f090cd83478389815b")


def unknown_symbol(token: bytes) -> bytes:
    """ＩＮＩファイルに解析不能な記号【 %s 】が見つかりました (能 is 0x94 0x5C)"""
    return (bytes.fromhex("8268826d8268837483408343838b82c989f090cd9573945c82c88b4c8d86817920") + token
            + bytes.fromhex("20817a82aa8ca982c282a982e882dc82b582bd"))
