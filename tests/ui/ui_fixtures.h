#pragma once
// A layout shaped like the program's pages: a title bar, page tabs bound to a
// tab layout, and two pages that reuse control names.

namespace uitest {

inline constexpr const char* kPageLayout = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="800,600" caption="0,0,0,30">
  <Font id="0" name="Sans" size="15"/>
  <Font id="50" name="Sans" size="18" bold="true"/>
  <Font name="Sans" size="14" default="true"/>
  <Style name="title" value="font=&quot;50&quot; textcolor=&quot;#FFFFFFFF&quot;"/>
  <Default name="Button" value="width=&quot;30&quot;"/>
  <VerticalLayout name="root" bkcolor="#FF202020">
    <HorizontalLayout name="title_bar" height="30">
      <Label name="title" style="title" text="window_title" resourcetext="true"/>
      <Button name="minbtn"/>
      <Button name="closebtn" normalimage="file='close.png' source='0,0,30,30'"/>
    </HorizontalLayout>
    <HorizontalLayout name="tabs" height="30" childpadding="4">
      <Option name="deng_Op_tab" group="page_tabs" selected="true" bindtablayoutname="pages" bindtabindex="0" text="tab_light" resourcetext="true"/>
      <Option name="key_Op_tab" group="page_tabs" bindtablayoutname="pages" bindtabindex="1" text="tab_keys" resourcetext="true"/>
      <CheckBox name="deng_FXL_check" width="80"/>
    </HorizontalLayout>
    <TabLayout name="pages">
      <VerticalLayout name="light_page" virtualwnd="lightpage" inset="10,10,10,10" childpadding="5">
        <Slider name="deng_light_slider" height="20" min="0" max="4" value="2" thumbsize="10,20"/>
        <Combo name="light_combo_modeSelect" height="24">
          <ListLabelElement text="Static" userdata="0"/>
          <ListLabelElement text="Breath" userdata="1"/>
          <ListLabelElement text="Wave" userdata="2" visible="false"/>
          <ListLabelElement text="mode_neon" userdata="3" resourcetext="true"/>
        </Combo>
        <Edit name="deng_edit_R" height="24" numberonly="true" maxchar="3" minnumber="0" maxnumber="255"/>
        <Edit name="profile_name_edit" height="24" maxchar="8"/>
        <ColorPalette name="deng_Color_Pallet" height="120" barheight="12"/>
        <Label name="value_label" height="20" text="light"/>
      </VerticalLayout>
      <VerticalLayout name="key_page" inset="10,10,10,10">
        <Edit name="deng_edit_R" height="24"/>
        <Label name="value_label" height="20" text="keys"/>
        <List name="macro_list" height="100">
          <ListLabelElement name="macro_row" text="first" height="20"/>
          <ListLabelElement name="macro_row" text="second" height="20"/>
        </List>
      </VerticalLayout>
    </TabLayout>
  </VerticalLayout>
</Window>
)";

inline constexpr const char* kEnglish = R"(<Language name="en">
  <Text id="window_title" value="Quillon"/>
  <Text id="tab_light" value="Lighting"/>
  <Text id="tab_keys" value="Keys"/>
  <Text id="mode_neon" value="Neon"/>
</Language>)";

inline constexpr const char* kChinese = R"(<Language name="cn">
  <Text id="window_title" value="奎隆"/>
  <Text id="tab_light" value="灯光"/>
  <Text id="tab_keys">按键</Text>
</Language>)";

}  // namespace uitest
